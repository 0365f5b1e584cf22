// SPDX-License-Identifier: GPL-2.0-or-later
// The NDFD forecast service as soapcpp2 reads it: the generated ndfdXMLBindingProxy speaks
// SOAP 1.1 with the section 5 encoding, every parameter typed with xsi:type. This is input to
// the code generator, not a C++ header: nothing includes it. Its //gsoap directives must stay
// exactly as written, hence no automatic formatting.

// clang-format off

//gsoap ns1 service name: ndfdXMLBinding
//gsoap ns1 service type: ndfdXMLPortType
//gsoap ns1 service port: https://digital.weather.gov/xml/SOAP_server/ndfdXMLserver.php
//gsoap ns1 service namespace: https://graphical.weather.gov/xml/DWMLgen/wsdl/ndfdXML.wsdl
//gsoap ns1 service transport: http://schemas.xmlsoap.org/soap/http
//gsoap ns1 service style: rpc
//gsoap ns1 service encoding: encoded

//gsoap ns1 schema namespace: https://graphical.weather.gov/xml/DWMLgen/wsdl/ndfdXML.wsdl

// Every value travels as text with its schema type; the service reads decimals and dates the
// way they are written, so no conversion happens on our side.
typedef std::string xsd__decimal;
typedef std::string xsd__date;
typedef std::string xsd__dateTime;
typedef std::string xsd__integer;
typedef std::string xsd__string;

// Which elements NDFDgen puts into its answer.
class ns1__weatherParametersType
{
public:
    bool maxt;
    bool mint;
    bool temp;
    bool dew;
    bool pop12;
    bool qpf;
    bool sky;
    bool snow;
    bool wspd;
    bool wdir;
    bool wx;
    bool waveh;
    bool icons;
    bool rhm;
    bool appt;
    bool incw34;
    bool incw50;
    bool incw64;
    bool cumw34;
    bool cumw50;
    bool cumw64;
    bool critfireo;
    bool dryfireo;
    bool conhazo;
    bool ptornado;
    bool phail;
    bool ptstmwinds;
    bool pxtornado;
    bool pxhail;
    bool pxtstmwinds;
    bool ptotsvrtstm;
    bool pxtotsvrtstm;
    bool wgust;
    bool iceaccum;
    bool maxrh;
    bool minrh;
};

// The forecast of several days, in 12 or 24 hour periods, as one DWML document.
//gsoap ns1 service method-style: NDFDgenByDay rpc
//gsoap ns1 service method-encoding: NDFDgenByDay http://schemas.xmlsoap.org/soap/encoding/
//gsoap ns1 service method-action: NDFDgenByDay https://graphical.weather.gov/xml/DWMLgen/wsdl/ndfdXML.wsdl#NDFDgenByDay
int ns1__NDFDgenByDay(xsd__decimal latitude, xsd__decimal longitude, xsd__date startDate, xsd__integer numDays,
                      xsd__string format, xsd__string& dwmlByDayOut);

// The chosen elements over a time span, as one DWML document.
//gsoap ns1 service method-style: NDFDgen rpc
//gsoap ns1 service method-encoding: NDFDgen http://schemas.xmlsoap.org/soap/encoding/
//gsoap ns1 service method-action: NDFDgen https://graphical.weather.gov/xml/DWMLgen/wsdl/ndfdXML.wsdl#NDFDgen
int ns1__NDFDgen(xsd__decimal latitude, xsd__decimal longitude, xsd__string product, xsd__dateTime startTime,
                 xsd__dateTime endTime, ns1__weatherParametersType* weatherParameters, xsd__string& dwmlOut);
// clang-format on
