#pragma once
// An INI-style profile file ("[Section]" lines opening sections, "key=value"
// entries) read and written the way the Windows profile functions
// (GetPrivateProfileString / WritePrivateProfileString) treat it, so that
// settings files written on Windows read back the same and ours read there:
//
// - Section and key names are matched without regard to letter case (A to Z),
//   blanks around names and values are ignored, and one pair of matching
//   double or single quotes around a value is removed when it is read.
// - Only the first section of a name is searched and written; within it the
//   first entry of a key. Lines before the first section, lines without "=",
//   and comment lines (first non-blank character ";") are no entries; they
//   are kept as they are.
// - Writing replaces the value of an existing entry in place (keeping the
//   entry's key spelling) or adds the entry after the last entry of its
//   section; a missing section is added at the end of the file.
// - Untouched lines are written back byte for byte, in the encoding the file
//   had (UTF-16LE with its byte-order mark, UTF-8 with or without one, or
//   8-bit Windows-1252 text) and with their own line ends; new lines get the
//   file's line end (that of its first line; CR LF when it has none). A new
//   file is UTF-16LE with its byte-order mark and CR LF line ends.
//
// Texts in memory are UTF-8. The document lives in memory between Load and
// Save; Save replaces the file atomically, so a failed save leaves the old
// file as it was. Nothing throws: failures are results, with Error() telling
// why.

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace orthelev {

enum class ProfileEncoding {
  Utf16Le,  // with the byte-order mark FF FE
  Utf8Bom,  // with the byte-order mark EF BB BF
  Utf8,     // no byte-order mark, well-formed UTF-8 (plain ASCII included)
  Cp1252,   // no byte-order mark, any other 8-bit text
};

class ProfileFile {
 public:
  // Reads the file at `path` into the document. A missing file is no
  // failure: the document is empty and Save creates the file (UTF-16LE).
  // False when the file exists but cannot be read (Error() tells why); the
  // document is then empty and Save refuses to overwrite the file.
  [[nodiscard]] bool Load(const std::string& path);

  // Creates the file at `path` holding only the UTF-16LE byte-order mark
  // (FF FE) when no file exists there; an existing file is left alone. False
  // when the file cannot be created (reason in `error` when given).
  static bool CreateEmpty(const std::string& path, std::string* error = nullptr);

  const std::string& Path() const { return path_; }
  bool Existed() const { return existed_; }  // the file existed at Load
  ProfileEncoding Encoding() const { return encoding_; }
  bool UsesCrLf() const { return crlf_; }
  const std::string& Error() const { return error_; }

  // --- Reading -----------------------------------------------------------

  // The value of the key, or nothing when the section or key is missing. An
  // entry with an empty value gives the empty text. Values come whole, however
  // long (a cut value would be saved back cut).
  std::optional<std::string> Find(std::string_view section, std::string_view key) const;
  // The value of the key, or `fallback` when the section or key is missing.
  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view fallback) const;
  bool HasSection(std::string_view section) const;
  // The names of the sections in file order, each name once (as spelled at
  // its first section).
  std::vector<std::string> SectionNames() const;
  // The keys of the section's entries in file order, as spelled in the file.
  std::vector<std::string> SectionKeys(std::string_view section) const;
  // One "key=value" row per entry of the section, in file order, each value
  // as ReadString gives it for that key (so a repeated key repeats the value
  // of its first entry, as the Windows functions read it).
  std::vector<std::string> ReadSectionRows(std::string_view section) const;

  // --- Changing (in memory until Save) ------------------------------------

  // Sets the key's value so that it reads back exactly as given: a value
  // with blanks at either end, or enclosed in a pair of quotes, is written
  // in double quotes. False, with nothing changed, when the entry would not
  // read back: the section name is empty, the key is empty or holds "=" or
  // begins with "[" or ";", any of the three is not UTF-8 text, or the
  // value holds a line break and differs from the stored one.
  bool WriteString(std::string_view section, std::string_view key, std::string_view value);
  // Removes every entry of the key from the section (nothing when missing).
  void DeleteKey(std::string_view section, std::string_view key);
  // Removes every section of that name with all its lines (nothing when missing).
  void DeleteSection(std::string_view section);

  // True when the document differs from the file as loaded or last saved.
  bool Modified() const { return modified_; }

  // Writes the document to Path() when it was modified or the file did not
  // exist; an unmodified existing file is not touched. The file keeps the
  // encoding it had at Load, with one exception: a Windows-1252 file that
  // would no longer read as Windows-1252 (a value has no byte there, or the
  // saved bytes would pass for UTF-8 and so be read as UTF-8) becomes
  // UTF-16LE as a whole. False, with the old file unchanged, when writing
  // fails or the load had failed.
  [[nodiscard]] bool Save();

 private:
  struct Line {
    std::string text;      // UTF-8, without the line end
    std::string raw;       // bytes as read, line end included; empty once changed
    bool rawEnded = true;  // raw holds a line end (false only for a last line without one)
    bool HasRaw() const { return !raw.empty(); }
  };
  struct Entry {
    std::string_view key;
    std::string_view value;
  };

  // Where the first section of each name and the first entry of each of its
  // keys are, built in one pass over the lines when first needed and
  // dropped when lines are added or removed.
  struct Index {
    std::unordered_map<std::string, std::size_t> sections;  // name -> header line
    std::unordered_map<std::size_t, std::size_t> ends;      // header line -> end of section
    std::unordered_map<std::string, std::size_t> entries;   // section + "\n" + key -> line
  };

  static std::optional<std::string> SectionNameOf(std::string_view text);
  static std::optional<Entry> EntryOf(std::string_view text);
  const Index& Indexed() const;
  // Index of the header of the first section of that name, or none.
  std::optional<std::size_t> FindSection(std::string_view section) const;
  // End (exclusive) of the section whose header is at `header`.
  std::size_t SectionEnd(std::size_t header) const;
  std::optional<std::size_t> FindEntry(std::size_t header, std::string_view key) const;

  void Decode(const std::string& bytes);
  void SplitLines(std::string_view body, std::size_t unit);
  std::string EncodeText(std::string_view text) const;
  std::string Serialize() const;
  bool ReadsBackAs8Bit(const std::string& bytes) const;
  bool CanEncodeChangedLines() const;
  void ConvertToUtf16();
  void InsertLine(std::size_t at, std::string text);

  std::string path_;
  std::vector<Line> lines_;
  mutable std::optional<Index> index_;
  std::string bom_ = "\xFF\xFE";
  ProfileEncoding encoding_ = ProfileEncoding::Utf16Le;
  bool crlf_ = true;
  bool existed_ = false;
  bool loadFailed_ = false;
  bool modified_ = false;
  std::string error_;
};

}  // namespace orthelev
