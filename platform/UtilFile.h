#pragma once

#include <string>

namespace UtilFile
{
// The file's bytes exactly as stored: no code page or line-end conversion.
std::string ReadFileAscii(const std::wstring& path);
} // namespace UtilFile
