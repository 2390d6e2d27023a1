#include "ini/profile_file.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "base/ascii_text.hpp"
#include "base/file_io.hpp"
#include "base/text_encoding.hpp"
#include "platform/platform.hpp"

namespace orthelev {
namespace {

constexpr std::string_view kUtf16Bom = "\xFF\xFE";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// A section or key name as the index holds it: letter case ignored.
std::string IndexName(std::string_view name) { return UpperAscii(Trim(name)); }

bool HasLineBreak(std::string_view text) { return text.find_first_of("\r\n") != text.npos; }

// A value as the Windows functions return it: one pair of matching quotes removed.
std::string_view Unquote(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front())
    return value.substr(1, value.size() - 2);
  return value;
}

std::string ErrnoText(const std::string& what, const std::string& path) {
  return what + " " + path + ": " + platform::ErrorText(errno);
}

}  // namespace

// --- Loading ---------------------------------------------------------------

bool ProfileFile::Load(const std::string& path) {
  *this = ProfileFile{};
  path_ = path;
  platform::FileStatus info;
  if (!platform::StatusAt(path, info)) {
    if (errno == ENOENT || errno == ENOTDIR) return true;  // no file: an empty document
    error_ = ErrnoText("Cannot open", path);
    loadFailed_ = true;
    return false;
  }
  std::string bytes;
  if (!ReadWholeFile(path, bytes, error_)) {
    loadFailed_ = true;
    return false;
  }
  existed_ = true;
  Decode(bytes);
  return true;
}

void ProfileFile::Decode(const std::string& bytes) {
  if (bytes.empty()) return;  // nothing to go by: treated like a new file
  std::string_view body = bytes;
  std::size_t unit = 1;
  if (body.starts_with(kUtf16Bom)) {
    encoding_ = ProfileEncoding::Utf16Le;
    bom_ = kUtf16Bom;
    unit = 2;
  } else if (body.starts_with(kUtf8Bom)) {
    encoding_ = ProfileEncoding::Utf8Bom;
    bom_ = kUtf8Bom;
  } else {
    encoding_ = IsValidUtf8(body) ? ProfileEncoding::Utf8 : ProfileEncoding::Cp1252;
    bom_.clear();
  }
  body.remove_prefix(bom_.size());
  SplitLines(body, unit);
}

namespace {

// The text of one line's content bytes (line end removed) in memory form.
std::string DecodeLine(std::string_view content, ProfileEncoding encoding) {
  switch (encoding) {
    case ProfileEncoding::Utf16Le: {
      std::u16string units(content.size() / 2, u'\0');
      for (std::size_t i = 0; i < units.size(); ++i)
        units[i] = static_cast<char16_t>(static_cast<unsigned char>(content[2 * i]) |
                                         static_cast<unsigned char>(content[2 * i + 1]) << 8);
      return Utf16ToUtf8(units);
    }
    case ProfileEncoding::Cp1252:
      return Cp1252ToUtf8(content);
    case ProfileEncoding::Utf8:
    case ProfileEncoding::Utf8Bom:
      break;
  }
  return IsValidUtf8(content) ? std::string(content) : Utf16ToUtf8(Utf8ToUtf16(content));
}

// Position of the next LF code unit at or after `from` (a multiple of `unit`).
std::size_t FindLineFeed(std::string_view body, std::size_t from, std::size_t unit) {
  if (unit == 1) return body.find('\n', from);
  for (std::size_t i = from; i + 1 < body.size(); i += 2)
    if (body[i] == '\n' && body[i + 1] == '\0') return i;
  return std::string_view::npos;
}

bool EndsWithCarriageReturn(std::string_view content, std::size_t unit) {
  if (unit == 1) return content.ends_with('\r');
  return content.size() >= 2 && content.size() % 2 == 0 &&
         content.substr(content.size() - 2) == std::string_view("\r\0", 2);
}

}  // namespace

void ProfileFile::SplitLines(std::string_view body, std::size_t unit) {
  bool firstEnd = true;
  std::size_t start = 0;
  while (start < body.size()) {
    const std::size_t lf = FindLineFeed(body, start, unit);
    const bool ended = lf != std::string_view::npos;
    const std::size_t stop = ended ? lf + unit : body.size();
    std::string_view content = body.substr(start, (ended ? lf : body.size()) - start);
    if (ended && EndsWithCarriageReturn(content, unit)) {
      content.remove_suffix(unit);
      if (firstEnd) crlf_ = true;
    } else if (ended && firstEnd) {
      crlf_ = false;
    }
    if (ended) firstEnd = false;
    lines_.push_back(
        {DecodeLine(content, encoding_), std::string(body.substr(start, stop - start)), ended});
    start = stop;
  }
}

bool ProfileFile::CreateEmpty(const std::string& path, std::string* error) {
  const int fd = platform::CreateNewFile(path);
  if (fd < 0) {
    if (errno == EEXIST) return true;
    if (error) *error = ErrnoText("Cannot create", path);
    return false;
  }
  const bool written = platform::WriteAll(fd, kUtf16Bom.data(), kUtf16Bom.size());
  const int writeErrno = errno;
  const bool closed = platform::CloseFile(fd);
  if (written && closed) return true;
  if (error) {
    errno = written ? errno : writeErrno;
    *error = ErrnoText("Cannot write", path);
  }
  platform::RemoveFile(path);
  return false;
}

// --- Structure -------------------------------------------------------------

std::optional<std::string> ProfileFile::SectionNameOf(std::string_view text) {
  text = Trim(text);
  if (!text.starts_with('[')) return std::nullopt;
  const std::size_t close = text.rfind(']');
  if (close == std::string_view::npos || close == 0) return std::nullopt;
  return std::string(Trim(text.substr(1, close - 1)));
}

std::optional<ProfileFile::Entry> ProfileFile::EntryOf(std::string_view text) {
  text = Trim(text);
  if (text.empty() || text.front() == ';' || text.front() == '[') return std::nullopt;
  const std::size_t equals = text.find('=');
  if (equals == std::string_view::npos) return std::nullopt;
  const std::string_view key = Trim(text.substr(0, equals));
  if (key.empty()) return std::nullopt;
  return Entry{key, Trim(text.substr(equals + 1))};
}

const ProfileFile::Index& ProfileFile::Indexed() const {
  if (index_) return *index_;
  Index& index = index_.emplace();
  std::optional<std::size_t> header;  // of the section the line is in
  std::string section;                // its index name; empty unless it is the first of its name
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (const auto name = SectionNameOf(lines_[i].text)) {
      if (header) index.ends[*header] = i;
      header = i;
      const bool first = !name->empty() && index.sections.emplace(IndexName(*name), i).second;
      section = first ? IndexName(*name) : std::string();
    } else if (const auto entry = EntryOf(lines_[i].text); entry && !section.empty()) {
      index.entries.emplace(section + '\n' + IndexName(entry->key), i);
    }
  }
  if (header) index.ends[*header] = lines_.size();
  return index;
}

std::optional<std::size_t> ProfileFile::FindSection(std::string_view section) const {
  if (Trim(section).empty()) return std::nullopt;
  const Index& index = Indexed();
  const auto found = index.sections.find(IndexName(section));
  if (found == index.sections.end()) return std::nullopt;
  return found->second;
}

std::size_t ProfileFile::SectionEnd(std::size_t header) const { return Indexed().ends.at(header); }

std::optional<std::size_t> ProfileFile::FindEntry(std::size_t header, std::string_view key) const {
  const Index& index = Indexed();
  const auto found =
      index.entries.find(IndexName(*SectionNameOf(lines_[header].text)) + '\n' + IndexName(key));
  if (found == index.entries.end()) return std::nullopt;
  return found->second;
}

// --- Reading ---------------------------------------------------------------

std::optional<std::string> ProfileFile::Find(std::string_view section, std::string_view key) const {
  const auto header = FindSection(section);
  if (!header) return std::nullopt;
  const auto line = FindEntry(*header, key);
  if (!line) return std::nullopt;
  return std::string(Unquote(EntryOf(lines_[*line].text)->value));
}

std::string ProfileFile::ReadString(std::string_view section, std::string_view key,
                                    std::string_view fallback) const {
  return Find(section, key).value_or(std::string(fallback));
}

bool ProfileFile::HasSection(std::string_view section) const {
  return FindSection(section).has_value();
}

std::vector<std::string> ProfileFile::SectionNames() const {
  std::vector<std::string> names;
  const Index& index = Indexed();
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const auto name = SectionNameOf(lines_[i].text);
    if (!name || name->empty()) continue;
    if (index.sections.at(IndexName(*name)) == i) names.push_back(*name);
  }
  return names;
}

std::vector<std::string> ProfileFile::SectionKeys(std::string_view section) const {
  std::vector<std::string> keys;
  const auto header = FindSection(section);
  if (!header) return keys;
  const std::size_t end = SectionEnd(*header);
  for (std::size_t i = *header + 1; i < end; ++i)
    if (const auto entry = EntryOf(lines_[i].text)) keys.emplace_back(entry->key);
  return keys;
}

std::vector<std::string> ProfileFile::ReadSectionRows(std::string_view section) const {
  std::vector<std::string> rows;
  for (const std::string& key : SectionKeys(section))
    rows.push_back(key + "=" + ReadString(section, key, ""));
  return rows;
}

// --- Changing --------------------------------------------------------------

void ProfileFile::InsertLine(std::size_t at, std::string text) {
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), Line{std::move(text), {}, true});
  index_.reset();
  modified_ = true;
}

namespace {

// The value as an entry holds it so that reading gives it back: in double
// quotes when reading would otherwise trim it or take its quotes off.
std::string StoredValue(std::string_view value) {
  const bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                      value.back() == value.front();
  if (!value.empty() && (IsBlank(value.front()) || IsBlank(value.back()) || quoted))
    return "\"" + std::string(value) + "\"";
  return std::string(value);
}

}  // namespace

bool ProfileFile::WriteString(std::string_view section, std::string_view key,
                              std::string_view value) {
  section = Trim(section);
  key = Trim(key);
  if (section.empty() || key.empty() || HasLineBreak(section) || HasLineBreak(key) ||
      key.find('=') != key.npos || key.front() == '[' || key.front() == ';' ||
      !IsValidUtf8(section) || !IsValidUtf8(key) || !IsValidUtf8(value))
    return false;
  const std::string stored = StoredValue(value);
  const auto header = FindSection(section);
  const auto at = header ? FindEntry(*header, key) : std::nullopt;
  // Already so: the line stays as it is, whatever it holds.
  if (at && EntryOf(lines_[*at].text)->value == stored) return true;
  if (HasLineBreak(value)) return false;
  if (!header) {
    InsertLine(lines_.size(), "[" + std::string(section) + "]");
    InsertLine(lines_.size(), std::string(key) + "=" + stored);
    return true;
  }
  if (at) {
    Line& line = lines_[*at];
    line = Line{std::string(EntryOf(line.text)->key) + "=" + stored, {}, true};
    modified_ = true;  // the key and so the index stay as they were
    return true;
  }
  std::size_t after = *header;
  const std::size_t end = SectionEnd(*header);
  for (std::size_t i = *header + 1; i < end; ++i)
    if (EntryOf(lines_[i].text)) after = i;
  InsertLine(after + 1, std::string(key) + "=" + stored);
  return true;
}

void ProfileFile::DeleteKey(std::string_view section, std::string_view key) {
  const auto header = FindSection(section);
  if (!header) return;
  while (const auto at = FindEntry(*header, key)) {
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(*at));
    index_.reset();
    modified_ = true;
  }
}

void ProfileFile::DeleteSection(std::string_view section) {
  while (const auto header = FindSection(section)) {
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(*header),
                 lines_.begin() + static_cast<std::ptrdiff_t>(SectionEnd(*header)));
    index_.reset();
    modified_ = true;
  }
}

// --- Saving ----------------------------------------------------------------

std::string ProfileFile::EncodeText(std::string_view text) const {
  switch (encoding_) {
    case ProfileEncoding::Utf16Le: {
      std::string bytes;
      for (const char16_t unit : Utf8ToUtf16(text)) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
      }
      return bytes;
    }
    case ProfileEncoding::Cp1252: {
      std::string bytes;
      Utf8ToCp1252(text, bytes);  // Save has made sure every changed line fits
      return bytes;
    }
    case ProfileEncoding::Utf8:
    case ProfileEncoding::Utf8Bom:
      break;
  }
  return std::string(text);
}

bool ProfileFile::CanEncodeChangedLines() const {
  if (encoding_ != ProfileEncoding::Cp1252) return true;
  std::string unused;
  for (const Line& line : lines_)
    if (!line.HasRaw() && !Utf8ToCp1252(line.text, unused)) return false;
  return true;
}

void ProfileFile::ConvertToUtf16() {
  encoding_ = ProfileEncoding::Utf16Le;
  bom_ = kUtf16Bom;
  for (Line& line : lines_) {
    line.raw.clear();
    line.rawEnded = true;
  }
}

// The next Load decides the encoding of a file without byte-order mark
// again: 8-bit text that passes for UTF-8 would be read as UTF-8.
bool ProfileFile::ReadsBackAs8Bit(const std::string& bytes) const {
  if (encoding_ != ProfileEncoding::Cp1252) return true;
  const bool ascii = std::all_of(bytes.begin(), bytes.end(),
                                 [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  return ascii || !IsValidUtf8(bytes);
}

std::string ProfileFile::Serialize() const {
  const std::string lineEnd = EncodeText(crlf_ ? "\r\n" : "\n");
  std::string bytes = bom_;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const Line& line = lines_[i];
    if (!line.HasRaw()) {
      bytes += EncodeText(line.text) + lineEnd;
      continue;
    }
    bytes += line.raw;
    if (line.rawEnded || i + 1 == lines_.size()) continue;
    // A last line read without its line end gets one before new lines follow;
    // in UTF-16 a stray odd byte, which the line's text never held, is
    // dropped rather than made into a character.
    if (encoding_ == ProfileEncoding::Utf16Le && bytes.size() % 2 != 0) bytes.pop_back();
    bytes += lineEnd;
  }
  return bytes;
}

bool ProfileFile::Save() {
  if (loadFailed_) {
    error_ = "Not saved, the file could not be read: " + path_;
    return false;
  }
  if (existed_ && !modified_) return true;
  if (!CanEncodeChangedLines()) ConvertToUtf16();
  std::string bytes = Serialize();
  if (!ReadsBackAs8Bit(bytes)) {
    ConvertToUtf16();
    bytes = Serialize();
  }
  if (!WriteFileAtomically(path_, bytes, error_)) return false;
  existed_ = true;
  modified_ = false;
  return true;
}

}  // namespace orthelev
