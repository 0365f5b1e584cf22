// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "core/ArgbColor.h"
#include "core/CPtr.h"

#include <windows.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace Gdiplus
{
class Font;
class FontFamily;
} // namespace Gdiplus

template <> struct TypeName<Gdiplus::Font>
{
    static constexpr const char* Value = "class Gdiplus::Font";
};

// The Windows side of the utilities: writers of option values, fonts, folders, the log-on Run
// value, the shell and the list controls.
namespace Util
{
// A function of a library loaded at run time, with its type; null when the library or the
// function is missing (an older Windows, or Wine).
template <typename Function> Function LibraryFunction(HMODULE library, const char* name)
{
    return library == nullptr
               ? nullptr
               : reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

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
// "Family,size,style"; family, when not empty, is written in place of the font's own.
void WriteToFileAscii(HANDLE file, const Gdiplus::Font& font, const std::wstring& family = std::wstring());

// The family of that name or, where it cannot be created (not installed, or removed since), a
// stand-in: generic, the generic sans-serif family, or where that is missing too (generic
// null), the first family installed. Null only where no font is installed at all.
std::unique_ptr<Gdiplus::FontFamily> UsableFontFamily(const std::wstring& name);
std::unique_ptr<Gdiplus::FontFamily> UsableFontFamily(const std::wstring& name,
                                                      const Gdiplus::FontFamily* generic);

// "Family,size,style": a font in points. A family that cannot be created is stood in for as
// UsableFontFamily says; standInFor, when given, then receives the family named (empty when the
// font is in that family), so that the choice can be kept. Throws on malformed text, and where
// no font is installed at all.
CPtr<Gdiplus::Font> ParseFont(const char* text, std::wstring* standInFor = nullptr);

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
