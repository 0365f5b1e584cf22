// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "core/CPtr.h"
#include "platform/GdiPlus.h"

#include <cstdint>
#include <string>
#include <vector>

template <> struct TypeName<Gdiplus::Bitmap>
{
    static constexpr const char* Value = "class Gdiplus::Bitmap";
};

// The earth image behind the map: one file of the program's earth backgrounds folder, chosen by
// its file name (which is what the options store), and its bitmap, loaded when first needed.
class EarthBackground
{
public:
    static constexpr const wchar_t* DefaultName = L"Blue Marble.jpg";
    // The same earth by night, its lights on, which a map showing day and night blends in.
    static constexpr const wchar_t* NightLightsName = L"Night Lights.jpg";

    // The folder every background is looked up in. The program sets it once at start-up, before
    // any background is made; a trailing backslash is added when missing. Until it is set the
    // folder is empty: nothing is listed and no name can be set.
    static void SetFolder(const std::wstring& folder);
    static const std::wstring& Folder();

    // Points the process-wide folder elsewhere for a while (a map drawn from another program
    // folder, a test) and puts the previous one back at the end of the scope.
    class ScopedFolder
    {
    public:
        explicit ScopedFolder(const std::wstring& folder) : m_previous(Folder()) { SetFolder(folder); }
        ~ScopedFolder() { SetFolder(m_previous); }
        ScopedFolder(const ScopedFolder&) = delete;
        ScopedFolder& operator=(const ScopedFolder&) = delete;

    private:
        std::wstring m_previous;
    };

    // The default background, whether or not its file exists.
    EarthBackground();
    // Copies take the name and the path; each copy loads its own image when it needs one.
    EarthBackground(const EarthBackground& other);
    EarthBackground& operator=(const EarthBackground& other);
    EarthBackground(EarthBackground&&) noexcept = default;
    EarthBackground& operator=(EarthBackground&&) noexcept = default;

    // Replaces files with the names of the folder's plain files, in the file system's order:
    // folders and hidden, system and temporary files are left out. A missing or unreadable folder
    // gives an empty list.
    static void ListFiles(std::vector<std::wstring>& files);

    // Makes the named file of the folder the background when it exists; the image is released and
    // loaded again on next use, also when the name is the current one. Returns false, changing
    // nothing, when there is no such file.
    bool SetByName(const std::wstring& name);

    // The bitmap of Path, loaded on first use. A missing or undecodable file still gives a bitmap,
    // one with a failed status and a size of 0 × 0, kept until the background changes. Throws only
    // when the bitmap object itself cannot be allocated.
    Gdiplus::Bitmap& GetImage();

    // The path of the picture of this earth by night: NightLightsName in the folder of the default
    // day picture (its name in any case), empty for any other, "Night Lights" itself included,
    // which so has no night to blend in. Whether the file exists is not tested.
    std::wstring NightPath() const;

    // Which choice of a file this is: new for every background made and every SetByName, kept by
    // copies. A map kept from the image of one choice is stale under any other, even of the same
    // file, since choosing a file again is how a changed file is read anew.
    std::uint64_t Selection() const { return m_selection; }

    CPtr<Gdiplus::Bitmap> Image;
    std::wstring Name; // file name without folder
    std::wstring Path; // Folder() followed by Name

private:
    std::uint64_t m_selection;
};
