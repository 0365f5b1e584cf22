// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "platform/GdiPlus.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// Files the tests lay out for the code under test: raw bytes, and images made with GDI+.
namespace TestFiles
{
inline void Write(const std::wstring& path, const std::string& bytes)
{
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

// An empty (transparent) image of the given size, so that loaded images can be told apart by it.
inline void WriteImage(const std::wstring& path, const wchar_t* mimeType, int width, int height)
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
            Gdiplus::Bitmap bitmap(width, height, PixelFormat32bppARGB);
            ASSERT_EQ(Gdiplus::Ok, bitmap.Save(path.c_str(), &encoders[i].Clsid, nullptr));
            return;
        }
    }
    ADD_FAILURE() << "GDI+ has no encoder for the image type";
}
} // namespace TestFiles
