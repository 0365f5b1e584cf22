// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// A small HTTP/1.1 client on WinHTTP, the system's HTTP stack: HTTPS with the system's
// certificate store and the user's proxy settings. Redirects are followed by our own rules
// rather than WinHTTP's, and every download is bounded in size and in total time, so a slow
// or hostile server can neither hold the download worker nor fill its memory.
//
// One client serves one download batch on one thread. A failed download throws an
// ApplicationException and leaves the client usable for the next one.
class CHttpClient
{
public:
    static constexpr std::uint32_t StepTimeoutMs = 10000;     // resolve, connect, send, each receive
    static constexpr std::uint32_t DefaultDeadlineMs = 60000; // one download, redirects included
    static constexpr int MaxRedirects = 5;                    // in a row; the next one fails the download

    CHttpClient() = default;
    ~CHttpClient();
    CHttpClient(const CHttpClient&) = delete;
    CHttpClient& operator=(const CHttpClient&) = delete;

    // The body of the final answer, byte for byte. A body longer than bodyLimit bytes fails the
    // download; each caller names the limit that suits what it fetches.
    std::string Get(const std::wstring& url, std::size_t bodyLimit);
    // headers: "Name: value\r\n" lines sent with the request (and with any redirected one).
    std::string Get(const std::wstring& url, const std::wstring& headers, std::size_t bodyLimit);

    // An answer with what a conditional request needs of its headers (empty when absent).
    struct Response
    {
        std::uint32_t Status = 0; // 200, or 304: unchanged since the validators sent, no body
        std::string Body;
        std::wstring ETag;
        std::wstring LastModified;
        std::wstring CacheControl;
    };
    // Get for a request carrying If-None-Match or If-Modified-Since: a 304 answer is an answer.
    Response GetConditional(const std::wstring& url, const std::wstring& headers, std::size_t bodyLimit);

    // headers: "Name: value\r\n" lines sent with the request.
    std::string Post(const std::wstring& url, const std::wstring& headers, const std::string& body,
                     std::size_t bodyLimit);

    // The default suits the weather services; the tests shorten it.
    void SetDeadline(std::uint32_t milliseconds) { m_deadlineMs = milliseconds; }

    // The status of the last download's final answer, so a caller can tell a missing resource
    // (404) from other failures; 0 when no answer came.
    std::uint32_t LastStatus() const { return m_lastStatus; }

    // "Nimbrel/<version> (<web page>, <e-mail>)": the weather service asks its clients to say
    // who they are and how to reach them, and may refuse those that do not.
    static const wchar_t* UserAgent();

    // Only 200 delivers the body: 206 would hand over part of a file as if it were whole, and
    // 203, 204, 205 and 304 are no fresh answer either. 301, 302, 303, 307 and 308 lead
    // elsewhere; everything else, 401 and 407 included (we have no credentials to offer), fails
    // with the status in the exception's message.
    static bool IsSuccessStatus(std::uint32_t status);
    static bool IsRedirectStatus(std::uint32_t status);

    // The absolute address a redirect from the address from leads to. Throws when it is not
    // followed: an unusable Location, a scheme other than http and https, or a step down from
    // https to http, which would hand an encrypted exchange over to an open one.
    static std::wstring ResolveRedirect(const std::wstring& from, const std::wstring& location);

private:
    struct Answer
    {
        std::uint32_t Status = 0;
        std::wstring Location;
        std::string Body;
        std::wstring ETag;
        std::wstring LastModified;
        std::wstring CacheControl;
    };

    Answer Send(const wchar_t* verb, const std::wstring& url, const std::wstring& headers,
                const std::string& body, std::size_t bodyLimit, bool takeNotModified = false);
    Answer Exchange(const wchar_t* verb, const std::wstring& url, const std::wstring& headers,
                    const std::string& body, std::size_t bodyLimit, std::uint64_t deadline);
    void* Session();

    void* m_session = nullptr; // HINTERNET, opened at the first download
    std::uint32_t m_deadlineMs = DefaultDeadlineMs;
    std::uint32_t m_lastStatus = 0;
};
