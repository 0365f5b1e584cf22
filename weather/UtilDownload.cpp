// SPDX-License-Identifier: GPL-2.0-or-later

#include "weather/UtilDownload.h"
#include "core/Here.h"

#include "core/ApplicationException.h"
#include "platform/CHttpClient.h"
#include "platform/Log.h"

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
