// SPDX-License-Identifier: GPL-2.0-or-later

#include "platform/CHttpClient.h"

#include "core/ApplicationException.h"
#include "core/Here.h"

#include "Version.h" // generated from the project version and the build settings (res/)

#include <windows.h>
#include <winhttp.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace
{
struct InternetHandleCloser
{
    void operator()(HINTERNET handle) const { WinHttpCloseHandle(handle); }
};

// Closing the request handle also drops a connection whose answer was not read to the end,
// so a failed download never leaves a half-read connection in the session's pool.
using InternetHandle = std::unique_ptr<void, InternetHandleCloser>;

// Anything longer is no address of a weather service; WinHTTP takes lengths as DWORDs.
constexpr std::size_t MaxUrlLength = 8192;

struct UrlParts
{
    INTERNET_SCHEME Scheme = INTERNET_SCHEME_HTTP;
    std::wstring Host;
    INTERNET_PORT Port = 0;
    std::wstring PathAndQuery; // as sent in the request line; the fragment stays with us
};

UrlParts SplitUrl(const std::wstring& url)
{
    if (url.empty() || url.size() > MaxUrlLength)
    {
        ThrowApplicationException(Here(), "empty or overlong URL");
    }
    URL_COMPONENTS components = {};
    components.dwStructSize = sizeof components;
    components.dwSchemeLength = static_cast<DWORD>(-1);
    components.dwHostNameLength = static_cast<DWORD>(-1);
    components.dwUrlPathLength = static_cast<DWORD>(-1);
    components.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (!WinHttpCrackUrl(url.c_str(), static_cast<DWORD>(url.size()), 0, &components))
    {
        ThrowApplicationException(Here(), "malformed URL");
    }
    if (components.nScheme != INTERNET_SCHEME_HTTP && components.nScheme != INTERNET_SCHEME_HTTPS)
    {
        ThrowApplicationException(Here(), "scheme other than http and https");
    }
    if (components.lpszHostName == nullptr || components.dwHostNameLength == 0)
    {
        ThrowApplicationException(Here(), "URL without host");
    }

    UrlParts parts;
    parts.Scheme = components.nScheme;
    parts.Host.assign(components.lpszHostName, components.dwHostNameLength);
    parts.Port = components.nPort;
    if (components.lpszUrlPath != nullptr)
    {
        parts.PathAndQuery.assign(components.lpszUrlPath, components.dwUrlPathLength);
    }
    if (components.lpszExtraInfo != nullptr)
    {
        parts.PathAndQuery.append(components.lpszExtraInfo, components.dwExtraInfoLength);
    }
    parts.PathAndQuery = parts.PathAndQuery.substr(0, parts.PathAndQuery.find(L'#'));
    if (parts.PathAndQuery.empty() || parts.PathAndQuery[0] != L'/')
    {
        parts.PathAndQuery.insert(0, 1, L'/');
    }
    return parts;
}

// The state of one request shared with WinHTTP's status callback. WinHTTP runs the request on
// threads of its own and reports each step to the callback; the downloading thread waits for
// that report only until the download's deadline. When it gives up, WinHTTP may still be
// inside a network wait and call back later, so the state (with the buffers WinHTTP writes
// into or reads from) lives until both sides are done with it: the downloading thread, and
// the request handle, whose last callback is its closing.
struct AsyncRequest
{
    explicit AsyncRequest(std::string body) : RequestBody(std::move(body)) {}
    ~AsyncRequest()
    {
        if (Completed != nullptr)
        {
            CloseHandle(Completed);
        }
    }
    AsyncRequest(const AsyncRequest&) = delete;
    AsyncRequest& operator=(const AsyncRequest&) = delete;

    void Release()
    {
        if (--References == 0)
        {
            delete this;
        }
    }

    HANDLE Completed = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    std::atomic<int> References{1};
    std::atomic<DWORD> Error{0};
    std::atomic<DWORD> Count{0};
    const std::string RequestBody;
    std::vector<char> Buffer = std::vector<char>(64 * 1024);
};

struct AsyncRequestReleaser
{
    void operator()(AsyncRequest* request) const { request->Release(); }
};

using AsyncRequestReference = std::unique_ptr<AsyncRequest, AsyncRequestReleaser>;

// Called by WinHTTP on its own threads. Nothing here can throw.
void CALLBACK StatusCallback(HINTERNET, DWORD_PTR context, DWORD status, LPVOID information, DWORD length)
{
    AsyncRequest* const request = reinterpret_cast<AsyncRequest*>(context);
    if (request == nullptr)
    {
        return; // the session and the connections carry no state
    }
    switch (status)
    {
    case WINHTTP_CALLBACK_STATUS_HANDLE_CLOSING:
        request->Release();
        return;
    case WINHTTP_CALLBACK_STATUS_REQUEST_ERROR:
    {
        const DWORD error =
            information != nullptr ? static_cast<const WINHTTP_ASYNC_RESULT*>(information)->dwError : 0;
        request->Error = error != 0 ? error : static_cast<DWORD>(ERROR_WINHTTP_INTERNAL_ERROR);
        break;
    }
    case WINHTTP_CALLBACK_STATUS_DATA_AVAILABLE:
        if (information != nullptr)
        {
            request->Count = *static_cast<const DWORD*>(information);
        }
        else
        {
            request->Error = ERROR_WINHTTP_INTERNAL_ERROR;
        }
        break;
    case WINHTTP_CALLBACK_STATUS_READ_COMPLETE:
        request->Count = length;
        break;
    case WINHTTP_CALLBACK_STATUS_SENDREQUEST_COMPLETE:
    case WINHTTP_CALLBACK_STATUS_HEADERS_AVAILABLE:
        break;
    default:
        return; // progress notices
    }
    SetEvent(request->Completed);
}

// Waits for the completion of the step just started. Throws when the step failed and when the
// download's deadline comes first; the caller then closes the request, which ends the step.
void Await(AsyncRequest& request, std::uint64_t deadline)
{
    const std::uint64_t now = GetTickCount64();
    const DWORD wait =
        now >= deadline ? 0 : static_cast<DWORD>(std::min<std::uint64_t>(deadline - now, 0x7FFFFFFF));
    if (WaitForSingleObject(request.Completed, wait) != WAIT_OBJECT_0)
    {
        ThrowApplicationException(Here(), "download deadline passed");
    }
    if (request.Error != 0)
    {
        const std::string message = "WinHTTP error " + std::to_string(request.Error.load());
        ThrowApplicationException(Here(), message.c_str());
    }
}

DWORD QueryStatus(HINTERNET request)
{
    DWORD status = 0;
    DWORD size = sizeof status;
    if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX))
    {
        ThrowApplicationException(Here(), "no status code");
    }
    return status;
}

// The text of a response header; empty when the answer does not have it.
std::wstring QueryText(HINTERNET request, DWORD info)
{
    DWORD size = 0;
    if (WinHttpQueryHeaders(request, info, WINHTTP_HEADER_NAME_BY_INDEX, WINHTTP_NO_OUTPUT_BUFFER, &size,
                            WINHTTP_NO_HEADER_INDEX) ||
        GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0)
    {
        return std::wstring();
    }
    std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
    size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    if (!WinHttpQueryHeaders(request, info, WINHTTP_HEADER_NAME_BY_INDEX, text.data(), &size,
                             WINHTTP_NO_HEADER_INDEX))
    {
        return std::wstring();
    }
    text.resize(std::min<std::size_t>(size / sizeof(wchar_t), text.size()));
    return text;
}

// The Content-Length the server declared, when it declared a plain one; lengths beyond 64 bits
// read as the largest value.
bool DeclaredLength(HINTERNET request, std::uint64_t& length)
{
    const std::wstring text = QueryText(request, WINHTTP_QUERY_CONTENT_LENGTH);
    if (text.empty() || text.find_first_not_of(L"0123456789") != std::wstring::npos)
    {
        return false;
    }
    length = 0;
    for (const wchar_t c : text)
    {
        if (length > (UINT64_MAX - 9) / 10)
        {
            length = UINT64_MAX;
            return true;
        }
        length = length * 10 + static_cast<std::uint64_t>(c - L'0');
    }
    return true;
}

// A declared length above the limit fails before a byte of the body is read. A length that
// cannot be read is left to the reading loop, which counts every byte anyway.
bool DeclaresMoreThan(HINTERNET request, std::size_t limit)
{
    std::uint64_t length = 0;
    return DeclaredLength(request, length) && length > limit;
}

// A connection that closed before the declared length arrived delivered half a body; WinHTTP
// reports that as a normal end of data. Chunked bodies carry their own framing.
bool EndedShort(HINTERNET request, std::size_t received)
{
    std::uint64_t length = 0;
    if (!QueryText(request, WINHTTP_QUERY_TRANSFER_ENCODING).empty() || !DeclaredLength(request, length))
    {
        return false;
    }
    return received < length;
}

bool HasScheme(const std::wstring& reference)
{
    const std::size_t colon = reference.find(L':');
    if (colon == std::wstring::npos || colon == 0 || reference.find_first_of(L"/?#") < colon)
    {
        return false;
    }
    for (std::size_t i = 0; i < colon; ++i)
    {
        const wchar_t c = reference[i];
        const bool letter = (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
        const bool digit = c >= L'0' && c <= L'9';
        if (!letter && !(i > 0 && (digit || c == L'+' || c == L'-' || c == L'.')))
        {
            return false;
        }
    }
    return true;
}
} // namespace

CHttpClient::~CHttpClient()
{
    if (m_session != nullptr)
    {
        WinHttpCloseHandle(static_cast<HINTERNET>(m_session));
    }
}

std::string CHttpClient::Get(const std::wstring& url, std::size_t bodyLimit)
{
    return Send(L"GET", url, std::wstring(), std::string(), bodyLimit).Body;
}

std::string CHttpClient::Get(const std::wstring& url, const std::wstring& headers, std::size_t bodyLimit)
{
    return Send(L"GET", url, headers, std::string(), bodyLimit).Body;
}

CHttpClient::Response CHttpClient::GetConditional(const std::wstring& url, const std::wstring& headers,
                                                  std::size_t bodyLimit)
{
    Answer answer = Send(L"GET", url, headers, std::string(), bodyLimit, true);
    Response response;
    response.Status = answer.Status;
    response.Body = std::move(answer.Body);
    response.ETag = std::move(answer.ETag);
    response.LastModified = std::move(answer.LastModified);
    response.CacheControl = std::move(answer.CacheControl);
    return response;
}

std::string CHttpClient::Post(const std::wstring& url, const std::wstring& headers, const std::string& body,
                              std::size_t bodyLimit)
{
    return Send(L"POST", url, headers, body, bodyLimit).Body;
}

const wchar_t* CHttpClient::UserAgent()
{
    return L"Nimbrel/" NIMBREL_VERSION_WTEXT L" (" NIMBREL_WEB_PAGE L", " NIMBREL_FEEDBACK_EMAIL L")";
}

bool CHttpClient::IsSuccessStatus(std::uint32_t status)
{
    return status == 200;
}

bool CHttpClient::IsRedirectStatus(std::uint32_t status)
{
    return (status >= 301 && status <= 303) || status == 307 || status == 308;
}

std::wstring CHttpClient::ResolveRedirect(const std::wstring& from, const std::wstring& location)
{
    const std::size_t first = location.find_first_not_of(L" \t");
    if (first == std::wstring::npos)
    {
        ThrowApplicationException(Here(), "redirect without Location");
    }
    std::wstring reference = location.substr(first, location.find_last_not_of(L" \t") + 1 - first);
    reference = reference.substr(0, reference.find(L'#'));
    if (reference.empty())
    {
        ThrowApplicationException(Here(), "redirect without Location");
    }

    const std::size_t schemeEnd = from.find(L"://");
    if (schemeEnd == std::wstring::npos)
    {
        ThrowApplicationException(Here(), "malformed URL");
    }
    const std::size_t authorityEnd = std::min(from.find_first_of(L"/?#", schemeEnd + 3), from.size());
    const std::wstring origin = from.substr(0, authorityEnd);

    std::wstring resolved;
    if (HasScheme(reference))
    {
        resolved = reference;
    }
    else if (reference.compare(0, 2, L"//") == 0)
    {
        resolved = from.substr(0, schemeEnd + 1) + reference;
    }
    else if (reference[0] == L'/')
    {
        resolved = origin + reference;
    }
    else
    {
        std::wstring path = from.substr(authorityEnd, from.find_first_of(L"?#", authorityEnd) - authorityEnd);
        if (path.empty())
        {
            path = L"/";
        }
        resolved = reference[0] == L'?' ? origin + path + reference
                                        : origin + path.substr(0, path.rfind(L'/') + 1) + reference;
    }

    // SplitUrl refuses what WinHTTP cannot read and every scheme but http and https.
    const INTERNET_SCHEME fromScheme = SplitUrl(from).Scheme;
    const INTERNET_SCHEME toScheme = SplitUrl(resolved).Scheme;
    if (fromScheme == INTERNET_SCHEME_HTTPS && toScheme != INTERNET_SCHEME_HTTPS)
    {
        ThrowApplicationException(Here(), "redirect from https to http");
    }
    return resolved;
}

// 303 turns any request into a GET without a body. 301 and 302 keep the method: a browser
// would turn a POST into a GET there too, but a SOAP call repeated as a GET only fetches an
// error page, while the same POST at the service's new address still works.
CHttpClient::Answer CHttpClient::Send(const wchar_t* verb, const std::wstring& url,
                                      const std::wstring& headers, const std::string& body,
                                      std::size_t bodyLimit, bool takeNotModified)
{
    const std::uint64_t deadline = GetTickCount64() + m_deadlineMs;
    std::wstring method = verb;
    std::wstring address = url;
    std::wstring extraHeaders = headers;
    std::string content = body;
    m_lastStatus = 0;
    for (int redirects = 0;; ++redirects)
    {
        Answer answer = Exchange(method.c_str(), address, extraHeaders, content, bodyLimit, deadline);
        m_lastStatus = answer.Status;
        if (IsSuccessStatus(answer.Status) || (takeNotModified && answer.Status == 304))
        {
            return answer;
        }
        if (!IsRedirectStatus(answer.Status))
        {
            const std::string message = "HTTP status " + std::to_string(answer.Status);
            ThrowApplicationException(Here(), message.c_str());
        }
        if (redirects == MaxRedirects)
        {
            ThrowApplicationException(Here(), "too many redirects");
        }
        address = ResolveRedirect(address, answer.Location);
        if (answer.Status == 303 && method != L"GET")
        {
            method = L"GET";
            extraHeaders.clear();
            content.clear();
        }
    }
}

void* CHttpClient::Session()
{
    if (m_session == nullptr)
    {
        // The user's proxy settings, automatic detection included, from Windows 8.1 on; older
        // systems know only WinHTTP's own proxy setting. Asynchronous, so that a download can
        // stop waiting at its deadline whatever the network is doing.
        HINTERNET session = WinHttpOpen(UserAgent(), WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY,
                                        WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, WINHTTP_FLAG_ASYNC);
        if (session == nullptr)
        {
            session = WinHttpOpen(UserAgent(), WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                                  WINHTTP_NO_PROXY_BYPASS, WINHTTP_FLAG_ASYNC);
        }
        if (session == nullptr)
        {
            ThrowApplicationException(Here(), "WinHttpOpen");
        }
        InternetHandle owner(session);
        if (WinHttpSetStatusCallback(session, &StatusCallback,
                                     WINHTTP_CALLBACK_FLAG_ALL_COMPLETIONS | WINHTTP_CALLBACK_FLAG_HANDLES,
                                     0) == WINHTTP_INVALID_STATUS_CALLBACK)
        {
            ThrowApplicationException(Here(), "WinHttpSetStatusCallback");
        }
        // Redirects are ours to follow (Send); every request also switches them off itself.
        DWORD policy = WINHTTP_OPTION_REDIRECT_POLICY_NEVER;
        WinHttpSetOption(session, WINHTTP_OPTION_REDIRECT_POLICY, &policy, sizeof policy);
        m_session = owner.release();
    }
    return m_session;
}

CHttpClient::Answer CHttpClient::Exchange(const wchar_t* verb, const std::wstring& url,
                                          const std::wstring& headers, const std::string& body,
                                          std::size_t bodyLimit, std::uint64_t deadline)
{
    const UrlParts target = SplitUrl(url);
    if (body.size() > MAXDWORD)
    {
        ThrowApplicationException(Here(), "request body too large");
    }
    const InternetHandle connection(
        WinHttpConnect(static_cast<HINTERNET>(Session()), target.Host.c_str(), target.Port, 0));
    if (!connection)
    {
        ThrowApplicationException(Here(), "WinHttpConnect");
    }
    // Declared before the request handle, so released after it is closed.
    const AsyncRequestReference state(new AsyncRequest(body));
    if (state->Completed == nullptr)
    {
        ThrowApplicationException(Here(), "CreateEvent");
    }
    const InternetHandle request(WinHttpOpenRequest(
        connection.get(), verb, target.PathAndQuery.c_str(), nullptr, WINHTTP_NO_REFERER,
        WINHTTP_DEFAULT_ACCEPT_TYPES, target.Scheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0));
    if (!request)
    {
        ThrowApplicationException(Here(), "WinHttpOpenRequest");
    }
    DWORD_PTR context = reinterpret_cast<DWORD_PTR>(state.get());
    if (!WinHttpSetOption(request.get(), WINHTTP_OPTION_CONTEXT_VALUE, &context, sizeof context))
    {
        ThrowApplicationException(Here(), "WinHttpSetOption");
    }
    ++state->References; // the request handle's, given back when it closes

    // Our redirect rules depend on WinHTTP not following any itself. Without credentials of
    // our own, no logon may be attempted on our behalf either, not even with the user's.
    DWORD disabled = WINHTTP_DISABLE_REDIRECTS | WINHTTP_DISABLE_COOKIES | WINHTTP_DISABLE_AUTHENTICATION;
    if (!WinHttpSetOption(request.get(), WINHTTP_OPTION_DISABLE_FEATURE, &disabled, sizeof disabled))
    {
        ThrowApplicationException(Here(), "WinHttpSetOption");
    }
    DWORD logon = WINHTTP_AUTOLOGON_SECURITY_LEVEL_HIGH;
    WinHttpSetOption(request.get(), WINHTTP_OPTION_AUTOLOGON_POLICY, &logon, sizeof logon);
    const int step = static_cast<int>(StepTimeoutMs);
    if (!WinHttpSetTimeouts(request.get(), step, step, step, step))
    {
        ThrowApplicationException(Here(), "WinHttpSetTimeouts");
    }
    DWORD headerTimeout = StepTimeoutMs;
    WinHttpSetOption(request.get(), WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &headerTimeout,
                     sizeof headerTimeout);

    const DWORD bodySize = static_cast<DWORD>(body.size());
    if (!WinHttpSendRequest(request.get(), headers.empty() ? WINHTTP_NO_ADDITIONAL_HEADERS : headers.c_str(),
                            headers.empty() ? 0 : static_cast<DWORD>(-1),
                            body.empty() ? WINHTTP_NO_REQUEST_DATA
                                         : const_cast<char*>(state->RequestBody.data()),
                            bodySize, bodySize, context))
    {
        ThrowApplicationException(Here(), "WinHttpSendRequest");
    }
    Await(*state, deadline);
    if (!WinHttpReceiveResponse(request.get(), nullptr))
    {
        ThrowApplicationException(Here(), "WinHttpReceiveResponse");
    }
    Await(*state, deadline);

    Answer answer;
    answer.Status = QueryStatus(request.get());
    if (IsRedirectStatus(answer.Status))
    {
        answer.Location = QueryText(request.get(), WINHTTP_QUERY_LOCATION);
        return answer;
    }
    if (IsSuccessStatus(answer.Status) || answer.Status == 304)
    {
        answer.ETag = QueryText(request.get(), WINHTTP_QUERY_ETAG);
        answer.LastModified = QueryText(request.get(), WINHTTP_QUERY_LAST_MODIFIED);
        answer.CacheControl = QueryText(request.get(), WINHTTP_QUERY_CACHE_CONTROL);
    }
    if (!IsSuccessStatus(answer.Status))
    {
        return answer;
    }
    if (DeclaresMoreThan(request.get(), bodyLimit))
    {
        ThrowApplicationException(Here(), "body above the limit");
    }
    for (;;)
    {
        if (!WinHttpQueryDataAvailable(request.get(), nullptr))
        {
            ThrowApplicationException(Here(), "WinHttpQueryDataAvailable");
        }
        Await(*state, deadline);
        const DWORD available = state->Count;
        if (available == 0)
        {
            break;
        }
        if (available > bodyLimit - answer.Body.size())
        {
            ThrowApplicationException(Here(), "body above the limit");
        }
        const DWORD wanted = std::min(available, static_cast<DWORD>(state->Buffer.size()));
        if (!WinHttpReadData(request.get(), state->Buffer.data(), wanted, nullptr))
        {
            ThrowApplicationException(Here(), "WinHttpReadData");
        }
        Await(*state, deadline);
        const DWORD read = std::min<DWORD>(state->Count, wanted);
        if (read == 0)
        {
            break;
        }
        answer.Body.append(state->Buffer.data(), read);
    }
    if (EndedShort(request.get(), answer.Body.size()))
    {
        ThrowApplicationException(Here(), "body shorter than declared");
    }
    return answer;
}
