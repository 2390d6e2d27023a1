#include "ini/profile_file.hpp"

#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

#include "support/file_size_limit.hpp"
#include "support/folder_entries.hpp"
#include "support/posix_only.hpp"
#include "support/temp_dir.hpp"

namespace orthelev {
namespace {

using testing::FolderEntries;
using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

// Latin-1 text in a file encoding: each byte is the code point of the same
// value, so the expectations do not lean on the converters under test.
std::string Encode(const std::string& latin1, ProfileEncoding encoding) {
  std::string bytes;
  for (const char c : latin1) {
    const auto b = static_cast<unsigned char>(c);
    switch (encoding) {
      case ProfileEncoding::Utf16Le:
        bytes += c;
        bytes += '\0';
        break;
      case ProfileEncoding::Utf8:
      case ProfileEncoding::Utf8Bom:
        if (b < 0x80) {
          bytes += c;
        } else {
          bytes += static_cast<char>(0xC0 | (b >> 6));
          bytes += static_cast<char>(0x80 | (b & 0x3F));
        }
        break;
      case ProfileEncoding::Cp1252:
        bytes += c;
        break;
    }
  }
  return bytes;
}

std::string Bom(ProfileEncoding encoding) {
  switch (encoding) {
    case ProfileEncoding::Utf16Le:
      return "\xFF\xFE";
    case ProfileEncoding::Utf8Bom:
      return "\xEF\xBB\xBF";
    default:
      return "";
  }
}

class ProfileFileTest : public ::testing::Test {
 protected:
  // Writes `bytes` as the file and loads it.
  ProfileFile LoadBytes(const std::string& bytes) {
    WriteBytes(path_, bytes);
    ProfileFile profile;
    EXPECT_TRUE(profile.Load(path_)) << profile.Error();
    return profile;
  }
  TempDir folder_;
  const std::string path_ = folder_.File("orthelev.ini");
};

TEST_F(ProfileFileTest, ReadsValuesTheWayTheWindowsFunctionsDo) {
  const ProfileFile profile = LoadBytes(
      "; Comment=not an entry\n"
      "Orphan=before any section\n"
      "[Option]\n"
      "  Postfix =  _x  \n"
      "Quoted=\"  spaced  \"\n"
      "Single='one'\n"
      "Unmatched=\"open\n"
      "Lone=\"\n"
      "Inner=a\"b\"c\n"
      "Empty=\n"
      "Equals=a=b\n"
      "Repeated=first\n"
      "repeated=second\n"
      "no equals sign here\n"
      "[option]\n"
      "Other=in the second section of that name\n"
      "[ Spaced Section ]\n"
      "Key=v\n");
  struct Case {
    const char* section;
    const char* key;
    const char* expected;
  };
  const Case cases[] = {
      {"Option", "Postfix", "_x"},
      {"OPTION", "postFIX", "_x"},
      {" Option ", " Postfix ", "_x"},
      {"Option", "Quoted", "  spaced  "},
      {"Option", "Single", "one"},
      {"Option", "Unmatched", "\"open"},
      {"Option", "Lone", "\""},
      {"Option", "Inner", "a\"b\"c"},
      {"Option", "Empty", ""},
      {"Option", "Equals", "a=b"},
      {"Option", "Repeated", "first"},
      {"Option", "Other", "(default)"},
      {"Option", "Missing", "(default)"},
      {"Option", "no equals sign here", "(default)"},
      {"Option", "; Comment", "(default)"},
      {"Missing", "Postfix", "(default)"},
      {"", "Orphan", "(default)"},
      {"Spaced Section", "key", "v"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(profile.ReadString(c.section, c.key, "(default)"), c.expected)
        << "[" << c.section << "] " << c.key;
  EXPECT_FALSE(profile.Find("Option", "Missing").has_value());
  EXPECT_EQ(profile.Find("Option", "Empty"), std::optional<std::string>(""));
  EXPECT_TRUE(profile.HasSection("spaced section"));
  EXPECT_FALSE(profile.HasSection("Font"));
}

TEST_F(ProfileFileTest, ListsASectionInFileOrder) {
  const ProfileFile profile = LoadBytes(
      "[CSV_Info]\r\n"
      "Logger B = b,\"x\"\r\n"
      "; skipped\r\n"
      "Logger A=a\r\n"
      "logger b=again\r\n"
      "[Other]\r\n"
      "X=1\r\n");
  EXPECT_EQ(profile.SectionKeys("csv_info"),
            (std::vector<std::string>{"Logger B", "Logger A", "logger b"}));
  EXPECT_EQ(profile.ReadSectionRows("CSV_Info"),
            (std::vector<std::string>{"Logger B=b,\"x\"", "Logger A=a", "logger b=b,\"x\""}));
  EXPECT_TRUE(profile.SectionKeys("Missing").empty());
}

TEST_F(ProfileFileTest, ChangesTouchOnlyTheirOwnLines) {
  const std::string original =
      "[Option]\r\n"
      "Postfix = _g\r\n"
      "Decimal=4\n"
      "\r\n"
      "; about the next section\r\n"
      "[CSVitem]\r\n"
      "Valid=VALID\r\n"
      "[GSI2000]\r\n"
      "nrows=1\r\n"
      "[gsi2000]\r\n"
      "ncols=2\r\n";
  struct Case {
    const char* name;
    std::function<void(ProfileFile&)> change;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"replace in place, keeping the key's spelling",
       [](ProfileFile& p) { p.WriteString("option", "DECIMAL", "6"); },
       "[Option]\r\nPostfix = _g\r\nDecimal=6\r\n\r\n; about the next section\r\n"
       "[CSVitem]\r\nValid=VALID\r\n[GSI2000]\r\nnrows=1\r\n[gsi2000]\r\nncols=2\r\n"},
      {"new key after the section's last entry",
       [](ProfileFile& p) { p.WriteString("Option", "NMEAext", ".nme"); },
       "[Option]\r\nPostfix = _g\r\nDecimal=4\nNMEAext=.nme\r\n\r\n; about the next section\r\n"
       "[CSVitem]\r\nValid=VALID\r\n[GSI2000]\r\nnrows=1\r\n[gsi2000]\r\nncols=2\r\n"},
      {"new section at the end of the file",
       [](ProfileFile& p) { p.WriteString("Font", "Charset", "128"); },
       original + "[Font]\r\nCharset=128\r\n"},
      {"delete a key", [](ProfileFile& p) { p.DeleteKey("OPTION", "postfix"); },
       "[Option]\r\nDecimal=4\n\r\n; about the next section\r\n"
       "[CSVitem]\r\nValid=VALID\r\n[GSI2000]\r\nnrows=1\r\n[gsi2000]\r\nncols=2\r\n"},
      {"erase a section with all its lines", [](ProfileFile& p) { p.DeleteSection("Option"); },
       "[CSVitem]\r\nValid=VALID\r\n[GSI2000]\r\nnrows=1\r\n[gsi2000]\r\nncols=2\r\n"},
      {"erase every section of the name", [](ProfileFile& p) { p.DeleteSection("GSI2000"); },
       "[Option]\r\nPostfix = _g\r\nDecimal=4\n\r\n; about the next section\r\n"
       "[CSVitem]\r\nValid=VALID\r\n"},
      {"writes of the values held change nothing",
       [](ProfileFile& p) {
         p.WriteString("Option", "Postfix", "_g");
         p.WriteString("CSVitem", "Valid", "VALID");
       },
       original},
      {"deleting what is not there changes nothing",
       [](ProfileFile& p) {
         p.DeleteKey("Option", "iBluemask");
         p.DeleteKey("CustomGeoid", "fname");
         p.DeleteSection("CustomGeoid");
       },
       original},
  };
  for (const Case& c : cases) {
    ProfileFile profile = LoadBytes(original);
    c.change(profile);
    EXPECT_EQ(profile.Modified(), c.expected != original) << c.name;
    ASSERT_TRUE(profile.Save()) << profile.Error();
    EXPECT_EQ(ReadBytes(path_), c.expected) << c.name;
  }
}

TEST_F(ProfileFileTest, AddsALineEndToALastLineThatHadNone) {
  ProfileFile profile = LoadBytes("[Option]\nDecimal=4");
  profile.WriteString("Option", "Postfix", "_g");
  ASSERT_TRUE(profile.Save());
  EXPECT_EQ(ReadBytes(path_), "[Option]\nDecimal=4\nPostfix=_g\n");

  profile = LoadBytes("[Option]\nDecimal=4");
  profile.WriteString("Option", "Decimal", "5");
  ASSERT_TRUE(profile.Save());
  EXPECT_EQ(ReadBytes(path_), "[Option]\nDecimal=5\n");
}

// Each encoding: values read as UTF-8, untouched bytes kept exactly (line
// ends included), changed lines written in the file's own encoding.
TEST_F(ProfileFileTest, WritesAFileBackInItsOwnEncoding) {
  struct Case {
    ProfileEncoding encoding;
    const char* lineEnd;
  };
  const Case cases[] = {
      {ProfileEncoding::Utf16Le, "\r\n"},
      {ProfileEncoding::Utf8Bom, "\r\n"},
      {ProfileEncoding::Utf8, "\n"},
      {ProfileEncoding::Cp1252, "\r\n"},
  };
  for (const Case& c : cases) {
    const std::string end = c.lineEnd;
    const auto file = [&](const std::string& other) {
      return Bom(c.encoding) + Encode("[Option]" + end + "Name = Caf\xE9  " + end + "Mixed=1\n" +
                                          "Other=" + other + end + "[Font]",
                                      c.encoding);
    };
    ProfileFile profile = LoadBytes(file("x"));
    EXPECT_EQ(profile.Encoding(), c.encoding);
    EXPECT_EQ(profile.ReadString("Option", "Name", ""), "Caf\xC3\xA9");
    EXPECT_EQ(profile.ReadString("Option", "Mixed", ""), "1");
    ASSERT_TRUE(profile.WriteString("Option", "Other", "na\xC3\xAFve"));
    ASSERT_TRUE(profile.Save()) << profile.Error();
    EXPECT_EQ(ReadBytes(path_), file("na\xEFve")) << static_cast<int>(c.encoding);
  }
}

TEST_F(ProfileFileTest, KeepsBytesItCannotDecode) {
  // A lone surrogate stays; a stray odd byte at the end, which no character
  // holds, is dropped when lines follow it (completing it to a code unit
  // would add a character to the last line's value).
  const std::string kept = std::string("\xFF\xFE", 2) + Encode("; ", ProfileEncoding::Utf16Le) +
                           std::string("\x00\xD8", 2) /* lone surrogate */ +
                           Encode("\r\n[A]\r\nk=1", ProfileEncoding::Utf16Le);
  for (const char stray : {'\x41', '\0'}) {
    ProfileFile profile = LoadBytes(kept + stray);
    EXPECT_EQ(profile.ReadString("A", "k", ""), "1");
    profile.WriteString("B", "k", "2");
    ASSERT_TRUE(profile.Save());
    EXPECT_EQ(ReadBytes(path_).substr(0, kept.size()), kept);
    ProfileFile again;
    ASSERT_TRUE(again.Load(path_));
    EXPECT_EQ(again.ReadString("A", "k", ""), "1") << "the last line's value stays";
    EXPECT_EQ(again.ReadString("B", "k", ""), "2") << "lines after a stray byte stay aligned";
  }
}

TEST_F(ProfileFileTest, CreatesNewFilesAsUtf16WithByteOrderMark) {
  const std::string wide =
      "\xFF\xFE" + Encode("[Option]\r\nVersion=Orthelev Ver2.07\r\n", ProfileEncoding::Utf16Le);
  ProfileFile fresh;
  ASSERT_TRUE(fresh.Load(path_));
  EXPECT_FALSE(fresh.Existed());
  fresh.WriteString("Option", "Version", "Orthelev Ver2.07");
  ASSERT_TRUE(fresh.Save()) << fresh.Error();
  EXPECT_EQ(ReadBytes(path_), wide);

  const std::string made = folder_.File("made.ini");
  ASSERT_TRUE(ProfileFile::CreateEmpty(made));
  EXPECT_EQ(ReadBytes(made), "\xFF\xFE");
  WriteBytes(made, "[Kept]\n");
  ASSERT_TRUE(ProfileFile::CreateEmpty(made));
  EXPECT_EQ(ReadBytes(made), "[Kept]\n");

  // An empty file has no encoding to keep: it is written like a new one.
  ProfileFile empty = LoadBytes("");
  empty.WriteString("Option", "Version", "Orthelev Ver2.07");
  ASSERT_TRUE(empty.Save());
  EXPECT_EQ(ReadBytes(path_), wide);
}

TEST_F(ProfileFileTest, RoundTripsTextBeyondEightBits) {
  const std::string gothic =
      "\xEF\xBC\xAD\xEF\xBC\xB3 \xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83\xE3\x82\xAF";
  const std::string emoji = "\xF0\x9F\x8C\x8D";  // needs a surrogate pair in UTF-16
  ProfileFile profile;
  ASSERT_TRUE(profile.Load(path_));
  profile.WriteString("Font", "FontName", gothic);
  profile.WriteString("Option", "Latitude", emoji);
  ASSERT_TRUE(profile.Save());
  ProfileFile again;
  ASSERT_TRUE(again.Load(path_));
  EXPECT_EQ(again.ReadString("Font", "FontName", ""), gothic);
  EXPECT_EQ(again.ReadString("Option", "Latitude", ""), emoji);

  // Windows-1252 differs from Latin-1 in 0x80..0x9F.
  ProfileFile euro = LoadBytes("[Option]\r\nPrice=\x80 5\r\n");
  EXPECT_EQ(euro.ReadString("Option", "Price", ""), "\xE2\x82\xAC 5");
  euro.WriteString("Option", "Quote", "\xE2\x80\x9Cx\xE2\x80\x9D");
  ASSERT_TRUE(euro.Save());
  EXPECT_EQ(ReadBytes(path_), "[Option]\r\nPrice=\x80 5\r\nQuote=\x93x\x94\r\n");

  // An 8-bit file that must take such a value becomes UTF-16LE as a whole.
  ProfileFile ansi = LoadBytes("[Option]\r\nName=Caf\xE9\r\n");
  ASSERT_EQ(ansi.Encoding(), ProfileEncoding::Cp1252);
  ansi.WriteString("Font", "FontName", gothic);
  ASSERT_TRUE(ansi.Save());
  ASSERT_TRUE(again.Load(path_));
  EXPECT_EQ(again.Encoding(), ProfileEncoding::Utf16Le);
  EXPECT_EQ(again.ReadString("Option", "Name", ""), "Caf\xC3\xA9");
  EXPECT_EQ(again.ReadString("Font", "FontName", ""), gothic);

  // So does one whose saved bytes would pass for UTF-8 (the next load would
  // read "caf\xC3\xA9" as "caf\xC3\xA9" in UTF-8, that is "café", not "cafÃ©").
  ProfileFile mixed = LoadBytes("[Custom Geoid]\r\nfname=caf\xC3\xA9.cdat\r\nold=\xE9\r\n");
  ASSERT_EQ(mixed.Encoding(), ProfileEncoding::Cp1252);
  mixed.DeleteKey("Custom Geoid", "old");
  ASSERT_TRUE(mixed.Save());
  ASSERT_TRUE(again.Load(path_));
  EXPECT_EQ(again.Encoding(), ProfileEncoding::Utf16Le);
  EXPECT_EQ(again.ReadString("Custom Geoid", "fname", ""), "caf\xC3\x83\xC2\xA9.cdat");
  // One that stays unmistakably 8-bit keeps its bytes.
  ProfileFile latin = LoadBytes("[A]\r\nk=\xE9\r\n");
  latin.WriteString("A", "j", "x");
  ASSERT_TRUE(latin.Save());
  EXPECT_EQ(ReadBytes(path_), "[A]\r\nk=\xE9\r\nj=x\r\n");
}

TEST_F(ProfileFileTest, ValuesReadBackExactlyAsWritten) {
  ProfileFile profile = LoadBytes("[Option]\nKept=a\rb\n");
  const std::vector<std::string> values = {" lead", "trail ",  "\"quoted\"", "'single'",
                                           "\"",    "a \"b\"", "",           "x"};
  for (std::size_t i = 0; i < values.size(); ++i)
    ASSERT_TRUE(profile.WriteString("Option", "v" + std::to_string(i), values[i]));
  EXPECT_TRUE(profile.WriteString("Option", "Kept", "a\rb")) << "the stored value, unchanged";
  ASSERT_TRUE(profile.Save());
  ProfileFile again;
  ASSERT_TRUE(again.Load(path_));
  for (std::size_t i = 0; i < values.size(); ++i)
    EXPECT_EQ(again.Find("Option", "v" + std::to_string(i)), values[i]) << values[i];
  EXPECT_EQ(again.Find("Option", "Kept"), "a\rb");
}

TEST_F(ProfileFileTest, RefusesEntriesThatWouldNotReadBack) {
  struct Case {
    const char* section;
    const char* key;
    const char* value;
  };
  const Case cases[] = {
      {"", "Key", "v"},          {" ", "Key", "v"},         {"Option", "", "v"},
      {"Option", "a=b", "v"},    {"Option", "[Key", "v"},   {"Option", ";Key", "v"},
      {"Option", "Key", "a\nb"}, {"Option", "Key", "a\rb"}, {"Op\ntion", "Key", "v"},
      {"Option", "K\ney", "v"},  {"Option", "Key", "\xFF"}, {"Opt\xC3", "Key", "v"},
  };
  ProfileFile profile = LoadBytes("[Option]\nKey=old\n");
  for (const Case& c : cases)
    EXPECT_FALSE(profile.WriteString(c.section, c.key, c.value)) << c.section << "/" << c.key;
  EXPECT_FALSE(profile.Modified());
  EXPECT_EQ(profile.ReadString("Option", "Key", ""), "old");
}

TEST_F(ProfileFileTest, ReportsFileFailuresAsResults) {
  ProfileFile profile;
  EXPECT_FALSE(profile.Load(folder_.Path().string())) << "a folder is no profile file";
  EXPECT_FALSE(profile.Error().empty());
  profile.WriteString("Option", "Decimal", "4");
  EXPECT_FALSE(profile.Save()) << "a file that could not be read is never overwritten";

  ASSERT_TRUE(profile.Load(folder_.File("missing/orthelev.ini")));
  profile.WriteString("Option", "Decimal", "4");
  EXPECT_FALSE(profile.Save());
  EXPECT_FALSE(profile.Error().empty());

  WriteBytes(folder_.File("plain"), "x");
  EXPECT_FALSE(ProfileFile::CreateEmpty(folder_.File("plain/orthelev.ini")));
  EXPECT_EQ(FolderEntries(folder_.Path()), (std::vector<std::string>{"plain"}));
}

// A write that fails half-way (here: the file-size limit, which binds root
// too) leaves the old file whole and no temporary file behind.
TEST_F(ProfileFileTest, AFailedSaveLeavesTheOldFileIntact) {
  ORTHELEV_NEEDS_FILE_SIZE_LIMIT();
  const std::string original = "[Option]\r\nDecimal=4\r\n";
  ProfileFile profile = LoadBytes(original);
  profile.WriteString("CSV_Info", "Logger", std::string(4096, 'x'));

  bool saved = true;
  {
    testing::FileSizeLimit limit(1024);
    ASSERT_TRUE(limit.Active());
    saved = profile.Save();
  }

  EXPECT_FALSE(saved);
  EXPECT_FALSE(profile.Error().empty());
  EXPECT_EQ(ReadBytes(path_), original);
  EXPECT_EQ(FolderEntries(folder_.Path()), (std::vector<std::string>{"orthelev.ini"}));

  ASSERT_TRUE(profile.Save()) << "the document is kept for another try";
  EXPECT_EQ(profile.ReadString("CSV_Info", "Logger", "").size(), 4096u);
  EXPECT_EQ(FolderEntries(folder_.Path()), (std::vector<std::string>{"orthelev.ini"}));
}

TEST_F(ProfileFileTest, AWriteProtectedFileIsNotReplaced) {
  const std::string original = "[Option]\nDecimal=4\n";
  ProfileFile profile = LoadBytes(original);
  std::filesystem::permissions(path_, std::filesystem::perms(0444));
  profile.WriteString("Option", "Decimal", "6");
  const bool saved = profile.Save();
  const bool bypassed = ::access(path_.c_str(), W_OK) == 0;  // root ignores the mode bits
  std::filesystem::permissions(path_, std::filesystem::perms(0644));
  if (bypassed) GTEST_SKIP() << "this user can write read-only files";
  EXPECT_FALSE(saved);
  EXPECT_EQ(ReadBytes(path_), original);
}

TEST_F(ProfileFileTest, SaveFollowsASymbolicLinkAndKeepsPermissions) {
  ORTHELEV_POSIX_ONLY("symbolic links and permission bits");
  const std::string real = folder_.File("real.ini");
  WriteBytes(real, "[Option]\nDecimal=4\n");
  std::filesystem::permissions(real, std::filesystem::perms(0640));
  std::filesystem::create_symlink(real, path_);
  ProfileFile profile;
  ASSERT_TRUE(profile.Load(path_));
  profile.WriteString("Option", "Decimal", "6");
  ASSERT_TRUE(profile.Save()) << profile.Error();
  EXPECT_TRUE(std::filesystem::is_symlink(path_));
  EXPECT_EQ(ReadBytes(real), "[Option]\nDecimal=6\n");
  EXPECT_EQ(std::filesystem::status(real).permissions(), std::filesystem::perms(0640));
}

}  // namespace
}  // namespace orthelev
