// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class CHttpClient;
struct soap;

// Carries one gSOAP call over our HTTP client instead of gSOAP's own sockets, so the forecast
// request gets what the observation download has: HTTPS, the user's proxy, the time limits.
// gSOAP writes the envelope into this object; the first read posts it and hands gSOAP the
// answer's body to parse. gSOAP never sees the HTTP headers, only the XML.
class CSoapTransport
{
public:
    // bodyLimit: the longest answer accepted, in bytes.
    CSoapTransport(CHttpClient& client, std::wstring url, std::size_t bodyLimit);

    // Routes the context's connection, sending and receiving through this object, which must
    // outlive the context's use.
    void Attach(struct soap* context);

    // The exchange failed in the HTTP client; gSOAP saw the end of the answer.
    bool Failed() const { return m_failed; }

private:
    // gSOAP's callbacks. None lets an exception through: each failure becomes a gSOAP error.
    static int Connect(struct soap* context, const char* endpoint, const char* host, int port);
    static int Post(struct soap* context, const char* endpoint, const char* host, int port, const char* path,
                    const char* action, std::uint64_t count);
    static int Send(struct soap* context, const char* data, std::size_t size);
    static std::size_t Receive(struct soap* context, char* buffer, std::size_t size);
    static int Close(struct soap* context);

    CHttpClient& m_client;
    std::wstring m_url;
    std::size_t m_bodyLimit;
    std::string m_action;
    std::string m_request;
    std::string m_response;
    std::size_t m_position = 0;
    bool m_posted = false;
    bool m_failed = false;
};
