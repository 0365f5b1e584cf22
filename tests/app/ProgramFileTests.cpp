// SPDX-License-Identifier: GPL-2.0-or-later

#include "platform/UtilFile.h"

#include "tests/support/ProcessTools.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>
#include <vector>

namespace
{
template <typename T> bool ReadAt(const std::string& image, size_t offset, T& value)
{
    if (offset > image.size() || image.size() - offset < sizeof value)
    {
        return false;
    }
    std::memcpy(&value, image.data() + offset, sizeof value);
    return true;
}

// The names, in lower case, of the libraries a 64-bit program file imports when it loads; empty
// when the file is not one.
std::vector<std::string> ImportedLibraries(const std::string& image)
{
    IMAGE_DOS_HEADER dos{};
    IMAGE_NT_HEADERS64 nt{};
    if (!ReadAt(image, 0, dos) || dos.e_magic != IMAGE_DOS_SIGNATURE || dos.e_lfanew < 0 ||
        !ReadAt(image, static_cast<size_t>(dos.e_lfanew), nt) || nt.Signature != IMAGE_NT_SIGNATURE ||
        nt.OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR64_MAGIC)
    {
        return {};
    }
    const size_t sections = static_cast<size_t>(dos.e_lfanew) + offsetof(IMAGE_NT_HEADERS64, OptionalHeader) +
                            nt.FileHeader.SizeOfOptionalHeader;
    const auto fileOffset = [&](DWORD rva) -> size_t
    {
        for (WORD i = 0; i < nt.FileHeader.NumberOfSections; ++i)
        {
            IMAGE_SECTION_HEADER section{};
            if (!ReadAt(image, sections + i * sizeof section, section))
            {
                break;
            }
            const DWORD size = std::max(section.Misc.VirtualSize, section.SizeOfRawData);
            if (rva >= section.VirtualAddress && rva - section.VirtualAddress < size)
            {
                return rva - section.VirtualAddress + section.PointerToRawData;
            }
        }
        return image.size();
    };

    std::vector<std::string> names;
    const DWORD importsRva = nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    IMAGE_IMPORT_DESCRIPTOR entry{};
    for (size_t at = fileOffset(importsRva); ReadAt(image, at, entry) && entry.Name != 0; at += sizeof entry)
    {
        const size_t name = fileOffset(entry.Name);
        if (name >= image.size())
        {
            break;
        }
        std::string library = image.c_str() + name;
        std::transform(library.begin(), library.end(), library.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        names.push_back(library);
    }
    return names;
}
} // namespace

// The program runs from its folder on any Windows 10/11, so it may load only the system's own
// libraries (no compiler runtime beside it), and none that only a dialog needs: the common
// dialogs bring the printing system with them, which would stay in a program idling in the tray.
TEST(ProgramFile, ImportsOnlySystemLibrariesAndNoneOnlyADialogNeeds)
{
    const std::vector<std::string> imports =
        ImportedLibraries(UtilFile::ReadFileAscii(ProcessTools::NimbrelExecutable()));
    ASSERT_FALSE(imports.empty()) << "the program file's imports could not be read";

    wchar_t system[MAX_PATH]{};
    ASSERT_NE(0u, GetSystemDirectoryW(system, MAX_PATH));
    for (const std::string& library : imports)
    {
        const std::wstring path = std::wstring(system) + L"\\" + std::wstring(library.begin(), library.end());
        EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(path.c_str()))
            << library << " is not the system's";
        EXPECT_NE("comdlg32.dll", library);
        EXPECT_NE("winspool.drv", library);
    }
}
