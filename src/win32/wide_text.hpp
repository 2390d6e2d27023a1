#pragma once
// UTF-8 inside, UTF-16 at the Windows API: the texts of the windows.

#include <string>
#include <windows.h>

namespace orthelev::win32 {

std::wstring Wide(const std::string& utf8);
std::string Utf8(const std::wstring& wide);
std::string Utf8(const wchar_t* wide);

// A window's text (a control's, a caption) as UTF-8.
std::string TextOfWindow(HWND window);

// "\r\n" for every line break of `text`: the lone "\n" and "\r" too, as the
// multi-line edit control shows only CR LF as a break.
std::wstring WithCrLf(const std::wstring& text);

}  // namespace orthelev::win32
