// SPDX-License-Identifier: GPL-2.0-or-later

#include "weather/CSoapTransport.h"

#include "core/Util.h"
#include "platform/CHttpClient.h"
#include "platform/Log.h"

#include "stdsoap2.h"

#include <algorithm>
#include <cstring>
#include <utility>

CSoapTransport::CSoapTransport(CHttpClient& client, std::wstring url, std::size_t bodyLimit)
    : m_client(client), m_url(std::move(url)), m_bodyLimit(bodyLimit)
{
}

void CSoapTransport::Attach(struct soap* context)
{
    context->user = this;
    context->fconnect = &Connect;
    context->fpost = &Post;
    context->fsend = &Send;
    context->frecv = &Receive;
    context->fclose = &Close;
    context->fdisconnect = nullptr;
    context->connect_retry = 0;
}

int CSoapTransport::Connect(struct soap* context, const char*, const char*, int)
{
    // A new call: forget whatever an earlier one left behind.
    CSoapTransport& self = *static_cast<CSoapTransport*>(context->user);
    self.m_action.clear();
    self.m_request.clear();
    self.m_response.clear();
    self.m_position = 0;
    self.m_posted = false;
    self.m_failed = false;
    return SOAP_OK;
}

int CSoapTransport::Post(struct soap* context, const char*, const char*, int, const char*, const char* action,
                         std::uint64_t)
{
    // Only the action is taken; the request line and the headers are the HTTP client's.
    try
    {
        static_cast<CSoapTransport*>(context->user)->m_action = action != nullptr ? action : "";
        return SOAP_OK;
    }
    catch (...)
    {
        Log::Exception(L"CSoapTransport::Post");
        return SOAP_EOM;
    }
}

int CSoapTransport::Send(struct soap* context, const char* data, std::size_t size)
{
    try
    {
        static_cast<CSoapTransport*>(context->user)->m_request.append(data, size);
        return SOAP_OK;
    }
    catch (...)
    {
        Log::Exception(L"CSoapTransport::Send");
        return SOAP_EOM;
    }
}

std::size_t CSoapTransport::Receive(struct soap* context, char* buffer, std::size_t size)
{
    CSoapTransport& self = *static_cast<CSoapTransport*>(context->user);
    if (!self.m_posted)
    {
        self.m_posted = true;
        try
        {
            const std::wstring headers = L"Content-Type: text/xml; charset=utf-8\r\nSOAPAction: \"" +
                                         Util::ToWide(self.m_action) + L"\"\r\n";
            self.m_response = self.m_client.Post(self.m_url, headers, self.m_request, self.m_bodyLimit);
        }
        catch (...)
        {
            // gSOAP takes the empty answer as the end of the input and fails the call.
            Log::Exception(L"CSoapTransport::Receive");
            self.m_failed = true;
            self.m_response.clear();
        }
    }
    const std::size_t count = std::min(size, self.m_response.size() - self.m_position);
    std::memcpy(buffer, self.m_response.data() + self.m_position, count);
    self.m_position += count;
    return count;
}

int CSoapTransport::Close(struct soap*)
{
    return SOAP_OK; // the HTTP client owns the connections
}
