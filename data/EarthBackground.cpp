// SPDX-License-Identifier: GPL-2.0-or-later

#include "data/EarthBackground.h"

#include "core/Util.h"
#include "platform/ScopedHandle.h"

#include <new>

namespace
{
std::uint64_t NewSelection()
{
    static std::uint64_t last = 0;
    return ++last;
}

std::wstring& FolderStorage()
{
    static std::wstring folder;
    return folder;
}

// Only a bare file name can name a file of the folder; anything with a folder part or a drive
// would reach outside it.
bool IsPlainFileName(const std::wstring& name)
{
    return !name.empty() && name.find_first_of(std::wstring(L"\\/:\0", 4)) == std::wstring::npos;
}
} // namespace

void EarthBackground::SetFolder(const std::wstring& folder)
{
    FolderStorage() = folder.empty() ? std::wstring() : Util::AppendBackslash(folder);
}

const std::wstring& EarthBackground::Folder()
{
    return FolderStorage();
}

EarthBackground::EarthBackground()
    : Name(DefaultName), Path(Folder() + DefaultName), m_selection(NewSelection())
{
}

EarthBackground::EarthBackground(const EarthBackground& other)
    : Name(other.Name), Path(other.Path), m_selection(other.m_selection)
{
}

EarthBackground& EarthBackground::operator=(const EarthBackground& other)
{
    if (this != &other)
    {
        std::wstring name = other.Name;
        std::wstring path = other.Path;
        Image.Reset();
        Name.swap(name);
        Path.swap(path);
        m_selection = other.m_selection;
    }
    return *this;
}

void EarthBackground::ListFiles(std::vector<std::wstring>& files)
{
    files.clear();
    try
    {
        if (Folder().empty())
        {
            return;
        }
        const std::wstring pattern = Folder() + L"*.*";
        WIN32_FIND_DATAW entry{};
        const FindHandle search(FindFirstFileW(pattern.c_str(), &entry));
        if (!search.IsValid())
        {
            return;
        }
        constexpr DWORD kSkipped = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                   FILE_ATTRIBUTE_TEMPORARY;
        std::vector<std::wstring> found;
        do
        {
            if ((entry.dwFileAttributes & kSkipped) == 0)
            {
                found.emplace_back(entry.cFileName);
            }
        } while (FindNextFileW(search.Get(), &entry));
        files.swap(found);
    }
    catch (...)
    {
        // Listing never fails in front of the user: an incomplete list is no list.
        files.clear();
    }
}

bool EarthBackground::SetByName(const std::wstring& name)
{
    if (Folder().empty() || !IsPlainFileName(name))
    {
        return false;
    }
    std::wstring path = Folder() + name;
    // A folder of that name is no image; only a file qualifies.
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    {
        return false;
    }
    std::wstring newName = name;
    Image.Reset();
    Name.swap(newName);
    Path.swap(path);
    m_selection = NewSelection();
    return true;
}

std::wstring EarthBackground::NightPath() const
{
    // Beside the day picture, wherever the folder was when it was chosen.
    if (Name.empty() || Path.size() <= Name.size() ||
        CompareStringOrdinal(Name.c_str(), static_cast<int>(Name.size()), DefaultName, -1, TRUE) !=
            CSTR_EQUAL)
    {
        return std::wstring();
    }
    return Path.substr(0, Path.size() - Name.size()) + NightLightsName;
}

Gdiplus::Bitmap& EarthBackground::GetImage()
{
    if (Image.IsNull())
    {
        // GDI+'s own operator new answers a failed allocation with null instead of throwing, and a
        // constructor run on null is undefined; so the storage is taken first and checked. An
        // empty Image then fails below with the pointer's own exception.
        void* storage = Gdiplus::GdiplusBase::operator new(sizeof(Gdiplus::Bitmap));
        if (storage != nullptr)
        {
            Image = ::new (storage) Gdiplus::Bitmap(Path.c_str());
        }
    }
    return *Image;
}
