#pragma once
// Conversions between the program's in-memory text (UTF-8) and the
// encodings settings files come in: UTF-16LE and Windows-1252 8-bit text.

#include <string>
#include <string_view>

namespace orthelev {

// True when `bytes` is well-formed UTF-8 (no overlong forms, no surrogates,
// nothing above U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

// UTF-8 to UTF-16 code units; every malformed sequence becomes U+FFFD.
std::u16string Utf8ToUtf16(std::string_view utf8);

// UTF-16 code units to UTF-8; every unpaired surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view utf16);

// Windows-1252 bytes to UTF-8 (the five bytes 1252 leaves undefined map to
// the C1 controls of the same value, as Windows maps them).
std::string Cp1252ToUtf8(std::string_view bytes);

// UTF-8 to Windows-1252; false when a character has no byte there (or the
// text is not UTF-8), `out` then being incomplete.
bool Utf8ToCp1252(std::string_view utf8, std::string& out);

}  // namespace orthelev
