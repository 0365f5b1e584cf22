#include "map/EarthBackground.h"

#include "tests/support/TempFolder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <vector>

namespace
{
// Points the backgrounds at a test folder and back again afterwards: the folder is process-wide.
class FolderScope
{
public:
    explicit FolderScope(const std::wstring& folder) : m_previous(EarthBackground::Folder())
    {
        EarthBackground::SetFolder(folder);
    }
    ~FolderScope() { EarthBackground::SetFolder(m_previous); }
    FolderScope(const FolderScope&) = delete;
    FolderScope& operator=(const FolderScope&) = delete;

private:
    std::wstring m_previous;
};

CLSID EncoderFor(const wchar_t* mimeType)
{
    UINT count = 0;
    UINT size = 0;
    Gdiplus::GetImageEncodersSize(&count, &size);
    std::vector<BYTE> buffer(size);
    auto* encoders = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    Gdiplus::GetImageEncoders(count, size, encoders);
    for (UINT i = 0; i < count; ++i)
    {
        if (std::wstring(encoders[i].MimeType) == mimeType)
        {
            return encoders[i].Clsid;
        }
    }
    ADD_FAILURE() << "no encoder";
    return CLSID{};
}

void WriteImage(const std::wstring& path, const wchar_t* mimeType, int width, int height)
{
    Gdiplus::Bitmap bitmap(width, height, PixelFormat32bppARGB);
    const CLSID encoder = EncoderFor(mimeType);
    ASSERT_EQ(Gdiplus::Ok, bitmap.Save(path.c_str(), &encoder, nullptr));
}

void WriteText(const std::wstring& path, const char* text)
{
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    DWORD written = 0;
    WriteFile(file, text, static_cast<DWORD>(strlen(text)), &written, nullptr);
    CloseHandle(file);
}

TEST(EarthBackgrounds, ListAndChooseOnlyThePlainFilesOfTheFolder)
{
    TempFolder folder;
    WriteImage(folder.File(L"Night.png"), L"image/png", 6, 3);
    WriteText(folder.File(L"readme.txt"), "not an image");
    WriteText(folder.File(L"hidden.png"), "x");
    SetFileAttributesW(folder.File(L"hidden.png").c_str(), FILE_ATTRIBUTE_HIDDEN);
    WriteText(folder.File(L"system.png"), "x");
    SetFileAttributesW(folder.File(L"system.png").c_str(), FILE_ATTRIBUTE_SYSTEM);
    CreateDirectoryW(folder.File(L"Old.png").c_str(), nullptr);
    TempFolder elsewhere;
    WriteImage(elsewhere.File(L"Outside.png"), L"image/png", 2, 2);

    const FolderScope scope(folder.Path());
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
    WriteImage(folder.File(L"Blue Marble.jpg"), L"image/jpeg", 8, 4);
    WriteImage(folder.File(L"Night.png"), L"image/png", 6, 3);
    WriteText(folder.File(L"readme.txt"), "not an image");
    const FolderScope scope(folder.Path());

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
