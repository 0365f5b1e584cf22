// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <cstddef>
#include <string>

class CHttpClient;

// Windows-only downloads of the Util group.
namespace Util
{
// The body of the answer at url, byte for byte, as 8-bit text (empty for an empty body). Any
// failure (bad address, network, time-out, refused status, a body longer than bodyLimit bytes)
// throws the one ApplicationException "Util::DownloadHttp"; its cause goes to the
// debugger output.
std::string DownloadHttp(CHttpClient& client, const std::wstring& url, std::size_t bodyLimit);

// A weather service's address: the environment variable's value when it is set, not empty and
// shorter than 2048 characters (a mirror or a test server), the build's default otherwise. Read
// at every download, so a test can point the unchanged program elsewhere.
std::wstring ServiceAddress(const wchar_t* variable, const wchar_t* fallback);
} // namespace Util
