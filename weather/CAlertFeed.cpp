// SPDX-License-Identifier: GPL-2.0-or-later

#include "weather/CAlertFeed.h"

#include "core/TimeSpan.h"

#include <algorithm>

namespace
{
// Header values end up in a request's header block: a line break in one would add headers of
// the server's choosing.
bool IsHeaderSafe(const std::wstring& value)
{
    return !value.empty() && value.size() <= 1024 &&
           std::none_of(value.begin(), value.end(), [](wchar_t c) { return c < L' ' || c == 0x7F; });
}

std::wstring Trimmed(const std::wstring& text)
{
    const std::size_t first = text.find_first_not_of(L" \t");
    if (first == std::wstring::npos)
    {
        return std::wstring();
    }
    return text.substr(first, text.find_last_not_of(L" \t") + 1 - first);
}
} // namespace

std::wstring CAlertFeed::ConditionalHeaders() const
{
    std::wstring headers;
    if (IsHeaderSafe(ETag))
    {
        headers += L"If-None-Match: " + ETag + L"\r\n";
    }
    if (IsHeaderSafe(LastModified))
    {
        headers += L"If-Modified-Since: " + LastModified + L"\r\n";
    }
    return headers;
}

void CAlertFeed::OnAnswer(const std::wstring& etag, const std::wstring& lastModified,
                          const std::wstring& cacheControl, DateTime utcNow)
{
    if (IsHeaderSafe(Trimmed(etag)))
    {
        ETag = Trimmed(etag);
    }
    if (IsHeaderSafe(Trimmed(lastModified)))
    {
        LastModified = Trimmed(lastModified);
    }
    const Nullable<int> maxAge = MaxAgeOf(cacheControl);
    const int seconds = std::clamp(maxAge.HasValue ? maxAge.Value() : 0, MinPollSeconds, MaxPollSeconds);
    NextPoll = utcNow + TimeSpan(seconds * TimeSpan::TicksPerSecond);
}

void CAlertFeed::OnFailure(DateTime utcNow)
{
    NextPoll = utcNow + TimeSpan(MinPollSeconds * TimeSpan::TicksPerSecond);
}

Nullable<int> CAlertFeed::MaxAgeOf(const std::wstring& cacheControl)
{
    std::size_t start = 0;
    while (start <= cacheControl.size())
    {
        const std::size_t comma = std::min(cacheControl.find(L',', start), cacheControl.size());
        const std::wstring directive = Trimmed(cacheControl.substr(start, comma - start));
        start = comma + 1;
        const std::size_t equals = directive.find(L'=');
        if (equals == std::wstring::npos)
        {
            continue;
        }
        std::wstring name = Trimmed(directive.substr(0, equals));
        std::transform(name.begin(), name.end(), name.begin(),
                       [](wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + 32) : c; });
        if (name != L"max-age")
        {
            continue;
        }
        std::wstring value = Trimmed(directive.substr(equals + 1));
        if (value.size() >= 2 && value.front() == L'"' && value.back() == L'"')
        {
            value = value.substr(1, value.size() - 2);
        }
        if (value.empty() || value.size() > 9 ||
            !std::all_of(value.begin(), value.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; }))
        {
            return Nullable<int>();
        }
        return std::stoi(value);
    }
    return Nullable<int>();
}
