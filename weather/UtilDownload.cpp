// SPDX-License-Identifier: GPL-2.0-or-later

#include "weather/UtilDownload.h"

#include "core/ApplicationException.h"
#include "core/Here.h"
#include "platform/CHttpClient.h"
#include "platform/Log.h"

#include <windows.h>

#include <iterator>

std::string Util::DownloadHttp(CHttpClient& client, const std::wstring& url, std::size_t bodyLimit)
{
    try
    {
        return client.Get(url, bodyLimit);
    }
    catch (...)
    {
        // The caller treats every failure alike; the cause is kept for whoever debugs it.
        Log::Exception(L"Util::DownloadHttp");
    }
    ThrowApplicationException(Here());
}

std::wstring Util::ServiceAddress(const wchar_t* variable, const wchar_t* fallback)
{
    wchar_t value[2048];
    const DWORD length = GetEnvironmentVariableW(variable, value, static_cast<DWORD>(std::size(value)));
    if (length == 0 || length >= std::size(value))
    {
        return fallback;
    }
    return std::wstring(value, length);
}
