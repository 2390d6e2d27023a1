// The profile file: load arbitrary bytes, make a few edits, save, load
// again. Every entry not edited reads back as it was, every written value
// reads back as written, deleted keys and sections are gone, and a write the
// file cannot carry is refused. An unedited file is not touched.

#include <fuzzer/FuzzedDataProvider.h>
#include <map>
#include <utility>

#include "base/ascii_text.hpp"
#include "fuzz_support.hpp"
#include "ini/profile_file.hpp"

using namespace orthelev;

namespace {

using Entries = std::map<std::pair<std::string, std::string>, std::string>;

// A section or key name as the file matches it: trimmed, letter case ignored.
std::string Name(std::string_view text) {
  constexpr std::string_view kBlanks = " \t\r\n\v\f";
  const std::size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  text = text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
  return UpperAscii(std::string(text));
}

Entries AllEntries(const ProfileFile& file) {
  Entries entries;
  for (const std::string& section : file.SectionNames())
    for (const std::string& key : file.SectionKeys(section))
      entries.emplace(std::pair(Name(section), Name(key)), *file.Find(section, key));
  return entries;
}

void EraseSection(Entries& entries, const std::string& section) {
  for (auto at = entries.begin(); at != entries.end();)
    at = at->first.first == section ? entries.erase(at) : std::next(at);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static fuzz::CountingWindow window;
  fuzz::ResetProgram(window);
  FuzzedDataProvider in(data, size);
  struct Edit {
    int kind;
    std::string section, key, value;
  };
  std::vector<Edit> edits(in.ConsumeIntegralInRange(0, 3));
  for (Edit& edit : edits) {
    edit.kind = in.ConsumeIntegralInRange(0, 3);
    edit.section = in.ConsumeRandomLengthString(24);
    edit.key = in.ConsumeRandomLengthString(24);
    edit.value = in.ConsumeRandomLengthString(48);
  }
  const std::string bytes = in.ConsumeRemainingBytesAsString();
  const std::string path = fuzz::Scratch::Get().Write("orthelev.ini", bytes);

  ProfileFile file;
  FUZZ_CHECK(file.Load(path), "a readable file loads");
  Entries expected = AllEntries(file);
  for (const Edit& edit : edits) {
    if (edit.kind == 2) {
      file.DeleteKey(edit.section, edit.key);
      if (file.HasSection(edit.section)) expected.erase({Name(edit.section), Name(edit.key)});
    } else if (edit.kind == 3) {
      file.DeleteSection(edit.section);
      EraseSection(expected, Name(edit.section));
    } else if (file.WriteString(edit.section, edit.key, edit.value)) {
      expected[{Name(edit.section), Name(edit.key)}] = edit.value;
      FUZZ_CHECK(file.Find(edit.section, edit.key) == edit.value, "a written value reads back");
    }
  }
  FUZZ_CHECK(AllEntries(file) == expected, "the edits do what they say in memory");
  FUZZ_CHECK(file.Save(), "a writable file saves");
  if (edits.empty() && !bytes.empty())
    FUZZ_CHECK(fuzz::Scratch::Read(path) == bytes, "an unedited file is not touched");

  ProfileFile again;
  FUZZ_CHECK(again.Load(path), "the saved file loads");
  FUZZ_CHECK(AllEntries(again) == expected, "the saved file reads back as saved");
  return 0;
}
