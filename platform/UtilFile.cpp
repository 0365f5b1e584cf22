// SPDX-License-Identifier: GPL-2.0-or-later

#include "platform/UtilFile.h"

#include "core/ApplicationException.h"
#include "core/Here.h"
#include "platform/ScopedHandle.h"

#include <windows.h>

namespace UtilFile
{
std::string ReadFileAscii(const std::wstring& path)
{
    FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid())
    {
        ThrowApplicationException(Here());
    }
    // Every file the program reads is small; one that claims 4 GiB or more is not ours.
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart < 0 || size.QuadPart >= MAXDWORD)
    {
        ThrowApplicationException(Here());
    }
    std::string content(static_cast<size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!content.empty() &&
        !ReadFile(file.Get(), content.data(), static_cast<DWORD>(content.size()), &read, nullptr))
    {
        ThrowApplicationException(Here());
    }
    content.resize(read);
    return content;
}

std::string ReadFileAscii(const std::wstring& path, unsigned waitMilliseconds)
{
    const ULONGLONG deadline = GetTickCount64() + waitMilliseconds;
    for (;;)
    {
        try
        {
            return ReadFileAscii(path);
        }
        catch (...)
        {
            if (GetTickCount64() >= deadline || GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES)
            {
                throw;
            }
        }
        Sleep(50);
    }
}

void WriteFileWhole(const std::wstring& path, const std::string& bytes)
{
    const std::wstring temporary = path + L".temp";
    bool written = false;
    {
        FileHandle file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.IsValid())
        {
            ThrowApplicationException(Here());
        }
        DWORD count = 0;
        written = bytes.size() < MAXDWORD &&
                  WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &count, nullptr) &&
                  count == bytes.size() && FlushFileBuffers(file.Get());
    }
    if (!written)
    {
        DeleteFileW(temporary.c_str());
        ThrowApplicationException(Here());
    }
    if (!MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    {
        DeleteFileW(temporary.c_str());
        ThrowApplicationException(Here());
    }
}
} // namespace UtilFile
