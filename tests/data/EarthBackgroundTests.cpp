// SPDX-License-Identifier: GPL-2.0-or-later

#include "data/EarthBackground.h"

#include "tests/support/TempFolder.h"
#include "tests/support/TestFiles.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <vector>

namespace
{
TEST(EarthBackgrounds, ListAndChooseOnlyThePlainFilesOfTheFolder)
{
    TempFolder folder;
    TestFiles::WriteImage(folder.File(L"Night.png"), L"image/png", 6, 3);
    TestFiles::Write(folder.File(L"readme.txt"), "not an image");
    TestFiles::Write(folder.File(L"hidden.png"), "x");
    SetFileAttributesW(folder.File(L"hidden.png").c_str(), FILE_ATTRIBUTE_HIDDEN);
    TestFiles::Write(folder.File(L"system.png"), "x");
    SetFileAttributesW(folder.File(L"system.png").c_str(), FILE_ATTRIBUTE_SYSTEM);
    CreateDirectoryW(folder.File(L"Old.png").c_str(), nullptr);
    TempFolder elsewhere;
    TestFiles::WriteImage(elsewhere.File(L"Outside.png"), L"image/png", 2, 2);

    const EarthBackground::ScopedFolder scope(folder.Path());
    std::vector<std::wstring> files{L"left over"};
    EarthBackground::ListFiles(files);
    EXPECT_THAT(files, testing::UnorderedElementsAre(L"Night.png", L"readme.txt"));

    // The default needs no file; none of these names is a file of the folder, so it stays.
    EarthBackground background;
    EXPECT_EQ(folder.File(L"Blue Marble.jpg"), background.Path);
    const std::wstring sibling =
        elsewhere.Path().substr(elsewhere.Path().find_last_of(L'\\', elsewhere.Path().size() - 2));
    for (const std::wstring& name : {std::wstring(L"Missing.png"), std::wstring(L"Old.png"),
                                     std::wstring(L""), std::wstring(L"."), L".." + sibling + L"Outside.png",
                                     elsewhere.File(L"Outside.png"), std::wstring(L"Night.png\0x", 11)})
    {
        EXPECT_FALSE(background.SetByName(name));
        EXPECT_EQ(L"Blue Marble.jpg", background.Name);
        EXPECT_EQ(folder.File(L"Blue Marble.jpg"), background.Path);
    }
    EXPECT_TRUE(background.SetByName(L"Night.png"));
    EXPECT_EQ(L"Night.png", background.Name);
    EXPECT_EQ(folder.File(L"Night.png"), background.Path);

    // Missing folders, and a file's name taken for a folder, list nothing; the old list is gone.
    EarthBackground::SetFolder(folder.File(L"Missing"));
    EarthBackground::ListFiles(files);
    EXPECT_TRUE(files.empty());
    EarthBackground::SetFolder(folder.File(L"readme.txt"));
    files = {L"left over"};
    EarthBackground::ListFiles(files);
    EXPECT_TRUE(files.empty());
}

TEST(EarthBackgrounds, ImagesLoadOnFirstUseAndAgainAfterEveryChoice)
{
    TempFolder folder;
    TestFiles::WriteImage(folder.File(L"Blue Marble.jpg"), L"image/jpeg", 8, 4);
    TestFiles::WriteImage(folder.File(L"Night.png"), L"image/png", 6, 3);
    TestFiles::Write(folder.File(L"readme.txt"), "not an image");
    const EarthBackground::ScopedFolder scope(folder.Path());

    EarthBackground background;
    Gdiplus::Bitmap& jpeg = background.GetImage();
    EXPECT_EQ(Gdiplus::Ok, jpeg.GetLastStatus());
    EXPECT_EQ(8u, jpeg.GetWidth());
    EXPECT_EQ(4u, jpeg.GetHeight());
    EXPECT_EQ(&jpeg, &background.GetImage()); // kept, not loaded twice

    // A copy has the same choice and its own image; assigning drops the loaded one.
    EarthBackground copy(background);
    EXPECT_EQ(background.Path, copy.Path);
    EXPECT_TRUE(copy.Image.IsNull());
    EXPECT_NE(&copy.GetImage(), &background.GetImage());

    EXPECT_TRUE(background.SetByName(L"Night.png"));
    EXPECT_TRUE(background.Image.IsNull());
    EXPECT_EQ(6u, background.GetImage().GetWidth());
    EXPECT_EQ(3u, background.GetImage().GetHeight());

    copy = background;
    EXPECT_TRUE(copy.Image.IsNull());

    // The same choice again releases the image and loads it afresh.
    EXPECT_TRUE(background.SetByName(L"Night.png"));
    EXPECT_TRUE(background.Image.IsNull());
    EXPECT_EQ(6u, background.GetImage().GetWidth());

    // A file that is no image, or one gone missing, still gives a bitmap: an empty one.
    EXPECT_TRUE(background.SetByName(L"readme.txt"));
    EXPECT_NE(Gdiplus::Ok, background.GetImage().GetLastStatus());
    EXPECT_EQ(0u, background.GetImage().GetWidth());
    EXPECT_EQ(0u, background.GetImage().GetHeight());
    EXPECT_TRUE(background.SetByName(L"Blue Marble.jpg"));
    ASSERT_TRUE(DeleteFileW(folder.File(L"Blue Marble.jpg").c_str()));
    EXPECT_EQ(0u, background.GetImage().GetWidth());
}
} // namespace
