#pragma once
// Letter case of the ASCII letters A to Z only: names, extensions and list
// entries are compared this way whatever the locale and whatever bytes
// (UTF-8, Shift-JIS, Latin-1) surround them.

#include <string>
#include <string_view>

namespace orthelev {

inline char UpperAscii(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}
inline char LowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline std::string UpperAscii(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) c = UpperAscii(c);
  return upper;
}

inline std::string LowerAscii(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = LowerAscii(c);
  return lower;
}

inline bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  return true;
}

inline bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
inline bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }

// Whether `word` stands in `text` (letter case ignored) as a word of its
// own: no letter or digit just before it, no letter just after it (a model
// number may follow a name: "eTrex" stands in "eTrex30").
inline bool ContainsWord(std::string_view text, std::string_view word) {
  if (word.empty()) return false;
  const std::string lowerText = LowerAscii(text), lowerWord = LowerAscii(word);
  for (std::size_t at = lowerText.find(lowerWord); at != std::string::npos;
       at = lowerText.find(lowerWord, at + 1)) {
    const std::size_t after = at + lowerWord.size();
    const bool startsWord =
        at == 0 || !(IsAsciiLetter(lowerText[at - 1]) || IsAsciiDigit(lowerText[at - 1]));
    const bool endsWord = after == lowerText.size() || !IsAsciiLetter(lowerText[after]);
    if (startsWord && endsWord) return true;
  }
  return false;
}

}  // namespace orthelev
