// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <string>

namespace UtilFile
{
// The file's bytes exactly as stored: no code page or line-end conversion.
std::string ReadFileAscii(const std::wstring& path);

// The same, tried again for up to waitMilliseconds while the file is there but cannot be read:
// a virus scanner or a sync client may hold it for a moment. A missing file fails at once; one
// still unreadable when the time is up throws the last failure.
std::string ReadFileAscii(const std::wstring& path, unsigned waitMilliseconds);

// Replaces the file at path with exactly these bytes, whole or not at all: they are written to
// path + ".temp", put on disk, and only then moved over the file. On failure the file keeps its
// old content, the temporary file is removed, and ApplicationException is thrown.
void WriteFileWhole(const std::wstring& path, const std::string& bytes);
} // namespace UtilFile
