// SPDX-License-Identifier: GPL-2.0-or-later

#include "platform/UtilWin32.h"

#include "core/Here.h"
#include "core/Util.h"
#include "platform/GdiPlus.h"

#include <shellapi.h>
#include <shlwapi.h>
#include <windowsx.h>

#include <charconv>

namespace
{
const wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

void WriteBytes(HANDLE file, const char* data, size_t size, const char* location)
{
    DWORD written = 0;
    if (size > MAXDWORD || !WriteFile(file, data, static_cast<DWORD>(size), &written, nullptr) ||
        written != size)
    {
        ThrowApplicationException(location);
    }
}

std::string FormatInt(int value)
{
    char buffer[100];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    if (error != std::errc())
    {
        ThrowApplicationException(Here());
    }
    return std::string(buffer, end);
}

std::string FormatDouble(double value)
{
    try
    {
        return Util::ToString(value);
    }
    catch (const ApplicationException&)
    {
        ThrowApplicationException(Here());
    }
}

class WaitCursor
{
public:
    WaitCursor() : m_previous(SetCursor(LoadCursorW(nullptr, IDC_WAIT))) {}
    ~WaitCursor() { SetCursor(m_previous); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    HCURSOR m_previous;
};
} // namespace

namespace Util
{
void WriteToFileAscii(HANDLE file, const char* literal)
{
    const std::string text = literal != nullptr ? literal : "";
    WriteBytes(file, text.data(), text.size(), Here());
}

void WriteToFileAscii(HANDLE file, const std::string& text)
{
    WriteBytes(file, text.data(), text.size(), Here());
}

void WriteToFileAscii(HANDLE file, const std::wstring& text)
{
    const std::string narrow = ToNarrow(text);
    WriteBytes(file, narrow.data(), narrow.size(), Here());
}

void WriteToFileAscii(HANDLE file, bool value)
{
    WriteToFileAscii(file, value ? "true" : "false");
}

void WriteToFileAscii(HANDLE file, int value)
{
    const std::string text = FormatInt(value);
    WriteToFileAscii(file, text.c_str());
}

void WriteToFileAscii(HANDLE file, double value)
{
    const std::string text = FormatDouble(value);
    WriteToFileAscii(file, text.c_str());
}

void WriteToFileAscii(HANDLE file, ArgbColor value)
{
    WriteToFileAscii(file, static_cast<int>(value.Red()));
    WriteToFileAscii(file, ",");
    WriteToFileAscii(file, static_cast<int>(value.Green()));
    WriteToFileAscii(file, ",");
    WriteToFileAscii(file, static_cast<int>(value.Blue()));
}

void WriteToFileAscii(HANDLE file, const Gdiplus::Font& font, const std::wstring& family)
{
    std::wstring familyName = family;
    if (familyName.empty())
    {
        Gdiplus::FontFamily own;
        WCHAR name[LF_FACESIZE] = L"";
        if (font.GetFamily(&own) != Gdiplus::Ok || own.GetFamilyName(name) != Gdiplus::Ok)
        {
            ThrowApplicationException(Here());
        }
        familyName = name;
    }
    WriteToFileAscii(file, ToNarrow(familyName).c_str());
    WriteToFileAscii(file, ",");
    WriteToFileAscii(file, static_cast<double>(font.GetSize()));
    WriteToFileAscii(file, ",");
    WriteToFileAscii(file, static_cast<int>(font.GetStyle()));
}

std::unique_ptr<Gdiplus::FontFamily> UsableFontFamily(const std::wstring& name)
{
    std::unique_ptr<Gdiplus::FontFamily> family(new Gdiplus::FontFamily(name.c_str()));
    if (family->GetLastStatus() == Gdiplus::Ok && family->IsAvailable())
    {
        return family;
    }
    // Null where the system's sans-serif font is missing, and at times from MinGW's wrapper,
    // which also keeps it for the process: asked only when needed.
    return UsableFontFamily(name, Gdiplus::FontFamily::GenericSansSerif());
}

std::unique_ptr<Gdiplus::FontFamily> UsableFontFamily(const std::wstring& name,
                                                      const Gdiplus::FontFamily* generic)
{
    std::unique_ptr<Gdiplus::FontFamily> family(new Gdiplus::FontFamily(name.c_str()));
    if (family->GetLastStatus() == Gdiplus::Ok && family->IsAvailable())
    {
        return family;
    }
    if (generic != nullptr && generic->IsAvailable())
    {
        family.reset(generic->Clone());
        if (family && family->GetLastStatus() == Gdiplus::Ok)
        {
            return family;
        }
    }
    Gdiplus::InstalledFontCollection installed;
    const INT count = installed.GetFamilyCount();
    if (count <= 0)
    {
        return nullptr;
    }
    const std::unique_ptr<Gdiplus::FontFamily[]> families(
        new Gdiplus::FontFamily[static_cast<std::size_t>(count)]);
    INT found = 0;
    if (installed.GetFamilies(count, families.get(), &found) != Gdiplus::Ok)
    {
        return nullptr;
    }
    for (INT i = 0; i < found; ++i)
    {
        if (families[i].IsAvailable())
        {
            family.reset(families[i].Clone());
            if (family && family->GetLastStatus() == Gdiplus::Ok)
            {
                return family;
            }
        }
    }
    return nullptr;
}

CPtr<Gdiplus::Font> ParseFont(const char* text, std::wstring* standInFor)
{
    const std::vector<std::string> parts = Split(text != nullptr ? text : "");
    if (parts.size() < 3)
    {
        ThrowApplicationException(Here());
    }
    const std::wstring familyName = ToWide(parts[0]);
    const double size = ParseDouble(parts[1].c_str());
    const int style = ParseInt(parts[2].c_str());
    // GDI+ takes the size as a float; a value it cannot hold is no font size.
    if (!(size > 0.0 && size < 10000.0))
    {
        ThrowApplicationException(Here());
    }

    const std::unique_ptr<Gdiplus::FontFamily> family = UsableFontFamily(familyName);
    if (!family)
    {
        ThrowApplicationException(Here());
    }
    CPtr<Gdiplus::Font> font(
        new Gdiplus::Font(family.get(), static_cast<Gdiplus::REAL>(size), style, Gdiplus::UnitPoint));
    if (font->GetLastStatus() != Gdiplus::Ok)
    {
        ThrowApplicationException(Here());
    }
    if (standInFor != nullptr)
    {
        WCHAR used[LF_FACESIZE] = L"";
        family->GetFamilyName(used);
        *standInFor = _wcsicmp(used, familyName.c_str()) == 0 ? std::wstring() : familyName;
    }
    return font;
}

void EnsureDirectoryExists(const std::wstring& path)
{
    // A file standing where the folder belongs is no folder to keep anything in.
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    {
        return;
    }
    if (attributes != INVALID_FILE_ATTRIBUTES || !CreateDirectoryW(path.c_str(), nullptr))
    {
        ThrowApplicationException(Here());
    }
}

LONG AddStartupItem(const std::wstring& name, const std::wstring& command)
{
    HKEY key = nullptr;
    LONG result =
        RegCreateKeyExW(HKEY_CURRENT_USER, kRunKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
    if (result != ERROR_SUCCESS)
    {
        return result;
    }
    const DWORD bytes = static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t));
    result =
        RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()), bytes);
    RegCloseKey(key);
    return result;
}

void RemoveStartupItem(const std::wstring& name)
{
    try
    {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, kRunKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        {
            ThrowApplicationException(Here());
        }
        RegDeleteValueW(key, name.c_str()); // a missing value is no failure
        RegCloseKey(key);
    }
    catch (const ApplicationException&)
    {
        // Nothing to remove when the key cannot even be opened.
    }
}

void OpenUrl(HWND parent, const std::wstring& url)
{
    HINSTANCE result;
    {
        WaitCursor wait;
        result = ShellExecuteW(parent, L"open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    }
    if (reinterpret_cast<INT_PTR>(result) <= 32)
    {
        ThrowApplicationException(Here());
    }
}

void AddToComboBox(HWND combo, const std::wstring& text, int data)
{
    // A message to a window that is gone answers 0, which would pass for item 0.
    const int index = IsWindow(combo) ? ComboBox_AddString(combo, text.c_str()) : CB_ERR;
    if (index < 0)
    {
        ThrowApplicationException(Here());
    }
    ComboBox_SetItemData(combo, index, data);
}

void AddToComboBox(HWND combo, const std::vector<std::pair<std::wstring, int>>& items)
{
    for (const auto& [text, data] : items)
    {
        AddToComboBox(combo, text, data);
    }
}
} // namespace Util
