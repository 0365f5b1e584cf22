#pragma once

#include "core/ArgbColor.h"
#include "core/CPtr.h"

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace Gdiplus
{
class Font;
}

template <> struct TypeName<Gdiplus::Font>
{
    static constexpr const char* Value = "class Gdiplus::Font";
};

// The Windows side of the utilities: writers of option values, fonts, folders, the log-on Run
// value, the shell and the list controls.
namespace Util
{
// Each writes the value alone at the file's current position; keys, "=" and line ends are the
// caller's. A colour or font is written in parts, so a failure may leave half a value: callers
// write to a temporary file and replace the real one only when everything succeeded.
void WriteToFileAscii(HANDLE file, const char* literal);
void WriteToFileAscii(HANDLE file, const std::string& text);
void WriteToFileAscii(HANDLE file, const std::wstring& text);
void WriteToFileAscii(HANDLE file, bool value);
void WriteToFileAscii(HANDLE file, int value);
void WriteToFileAscii(HANDLE file, double value);
void WriteToFileAscii(HANDLE file, ArgbColor value);
void WriteToFileAscii(HANDLE file, const Gdiplus::Font& font);

// "Family,size,style": a font in points; an unknown family falls back to the generic sans serif.
CPtr<Gdiplus::Font> ParseFont(const char* text);

// Creates the folder (one level) when nothing exists at the path; throws when it cannot, or when
// a file stands at the path.
void EnsureDirectoryExists(const std::wstring& path);

// The value called name under the current user's Run key. Add returns the registry's result.
LONG AddStartupItem(const std::wstring& name, const std::wstring& command);
void RemoveStartupItem(const std::wstring& name);

// Opens a web address or document with the shell, showing the wait cursor meanwhile.
void OpenUrl(HWND parent, const std::wstring& url);

void AddToComboBox(HWND combo, const std::wstring& text, int data);
void AddToComboBox(HWND combo, const std::vector<std::pair<std::wstring, int>>& items);
} // namespace Util
