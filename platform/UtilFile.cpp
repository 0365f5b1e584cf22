#include "platform/UtilFile.h"

#include "core/ApplicationException.h"

#include <windows.h>

namespace
{
class FileHandle
{
public:
    explicit FileHandle(HANDLE handle) : m_handle(handle) {}
    ~FileHandle()
    {
        if (m_handle != INVALID_HANDLE_VALUE)
        {
            CloseHandle(m_handle);
        }
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    HANDLE Get() const { return m_handle; }

private:
    HANDLE m_handle;
};
} // namespace

namespace UtilFile
{
std::string ReadFileAscii(const std::wstring& path)
{
    FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.Get() == INVALID_HANDLE_VALUE)
    {
        ThrowApplicationException("UtilFile::ReadFileAscii (12)");
    }
    // Every file the program reads is small; one that claims 4 GiB or more is not ours.
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart < 0 || size.QuadPart >= MAXDWORD)
    {
        ThrowApplicationException("UtilFile::ReadFileAscii (13)");
    }
    std::string content(static_cast<size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!content.empty() &&
        !ReadFile(file.Get(), content.data(), static_cast<DWORD>(content.size()), &read, nullptr))
    {
        ThrowApplicationException("UtilFile::ReadFileAscii (17)");
    }
    content.resize(read);
    return content;
}
} // namespace UtilFile
