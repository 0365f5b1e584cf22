// SPDX-License-Identifier: GPL-2.0-or-later

#include "platform/UtilFile.h"

#include "tests/support/ExpectThrowAt.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

namespace
{
TEST(UtilFileRead, ReturnsTheBytesUnchanged)
{
    TempFolder folder;
    const std::string bytes("line one\r\nline two\n\0\xFF\xE9 end", 26);
    TestFiles::Write(folder.File(L"raw.txt"), bytes);
    EXPECT_EQ(bytes, UtilFile::ReadFileAscii(folder.File(L"raw.txt")));

    TestFiles::Write(folder.File(L"empty.txt"), "");
    EXPECT_EQ("", UtilFile::ReadFileAscii(folder.File(L"empty.txt")));
}

TEST(UtilFileRead, MissingFileOrFolderThrows)
{
    TempFolder folder;
    EXPECT_THROW_AT(UtilFile::ReadFileAscii(folder.File(L"missing.txt")), ApplicationException,
                    "UtilFile::ReadFileAscii (12)");
    EXPECT_THROW_AT(UtilFile::ReadFileAscii(folder.Path()), ApplicationException,
                    "UtilFile::ReadFileAscii (12)");
}

TEST(UtilFileRead, SharesReadingWithOthers)
{
    TempFolder folder;
    TestFiles::Write(folder.File(L"shared.txt"), "abc");
    const HANDLE reader = CreateFileW(folder.File(L"shared.txt").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                      nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, reader);
    EXPECT_EQ("abc", UtilFile::ReadFileAscii(folder.File(L"shared.txt")));
    CloseHandle(reader);
}
} // namespace
