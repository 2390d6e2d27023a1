// RTKLIB solution files with blank-separated columns: the real solution of
// the corpus and the other forms RTKLIB writes, generated from it. Every
// record is checked on its own: the bytes outside the height item as they
// were, the new height h - N with N from the interpolation itself.

#include "conversion/rtklib_solution.hpp"

#include <cmath>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/number_format.hpp"
#include "conversion/csv_conversion.hpp"
#include "csv_test_files.hpp"
#include "flags/program_flags.hpp"
#include "geoid/interpolation.hpp"

namespace orthelev {
namespace {

using testing::CsvFixture;
using testing::ReadBytes;
using testing::SyntheticGrid;
namespace fs = std::filesystem;

const std::string kCorpusName = "matrtklib_rover_1Hz_rtk.pos";
constexpr std::size_t kCorpusRecords = 531;
// Four decimals written.
constexpr double kTolerance = 0.00005 + 1e-9;

// Varies across a node spacing, so that spline and bilinear differ, and
// with the sign of the latitude.
double ModelN(double latitude, double longitude) {
  return 30.0 + 0.2 * latitude + 0.8 * std::sin(latitude * 7.0) + 0.5 * std::cos(longitude * 5.0);
}

struct Span {
  std::size_t begin, end;
};

// The blank-separated items of a line, worked out here on their own.
std::vector<Span> Items(const std::string& line) {
  std::vector<Span> items;
  for (std::size_t at = 0; at < line.size();) {
    if (line[at] == ' ') {
      ++at;
      continue;
    }
    Span span{at, line.find(' ', at)};
    if (span.end == std::string::npos) span.end = line.size();
    items.push_back(span);
    at = span.end;
  }
  return items;
}

std::string ItemText(const std::string& line, const Span& span) {
  return line.substr(span.begin, span.end - span.begin);
}

double Number(const std::string& text) {
  double value = 0;
  EXPECT_TRUE(ParseReal(text, value)) << text;
  return value;
}

// Splits at LF (the corpus) or at CR LF (every output; no other LF allowed).
std::vector<std::string> Lines(const std::string& text, bool crlf) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t lf; (lf = text.find('\n', start)) != std::string::npos; start = lf + 1) {
    std::size_t end = lf;
    if (crlf) {
      EXPECT_TRUE(lf > start && text[lf - 1] == '\r') << "line " << lines.size() + 1;
      --end;
    }
    lines.push_back(text.substr(start, end - start));
  }
  EXPECT_EQ(start, text.size()) << "last line without line break";
  return lines;
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

// A record's position from its items (0-based) in one of RTKLIB's forms.
using PositionOf =
    std::function<void(const std::string&, const std::vector<Span>&, double&, double&)>;

void DegreePosition(const std::string& line, const std::vector<Span>& items, double& latitude,
                    double& longitude) {
  latitude = Number(ItemText(line, items[2]));
  longitude = Number(ItemText(line, items[3]));
}

double DmsValue(const std::string& line, const std::vector<Span>& items, std::size_t first) {
  const std::string degrees = ItemText(line, items[first]);
  const double value = std::fabs(Number(degrees)) + Number(ItemText(line, items[first + 1])) / 60 +
                       Number(ItemText(line, items[first + 2])) / 3600;
  return degrees[0] == '-' ? -value : value;
}

void DmsPosition(const std::string& line, const std::vector<Span>& items, double& latitude,
                 double& longitude) {
  latitude = DmsValue(line, items, 2);
  longitude = DmsValue(line, items, 5);
}

// The corpus solution split into its "%" header lines and its records.
struct Solution {
  std::vector<std::string> header, records;
};

class RtklibSolutionTest : public CsvFixture {
 protected:
  void SetUp() override {
    CsvFixture::SetUp();
    const fs::path path = fs::path(ORTHELEV_CORPUS_DIR) / "pos" / kCorpusName;
    if (!fs::exists(path)) GTEST_SKIP() << "corpus not found at " << ORTHELEV_CORPUS_DIR;
    corpusText_ = ReadBytes(path.string());
    for (const std::string& line : Lines(corpusText_, false))
      (line.starts_with('%') ? corpus_.header : corpus_.records).push_back(line);
    ASSERT_EQ(corpus_.header.size(), 22u);
    ASSERT_EQ(corpus_.records.size(), kCorpusRecords);
    // 40 S to 40 N, 130 to 140 E.
    OpenModel(SyntheticGrid{-40, 130, 0.25, 0.25, 321, 41}, ModelN);
  }

  // Converts `text` as the file `name`; the result, and the output's lines.
  std::int32_t Convert(const std::string& name, const std::string& text,
                       std::vector<std::string>& output) {
    const std::string path = Write(name, text);
    const std::int32_t result = ConvertCsvFile(path);
    if (fs::exists(OutputOf(path))) output = Lines(ReadBytes(OutputOf(path)), true);
    return result;
  }

  // Checks a converted solution record by record; gives the mean of 0 - N.
  double CheckRecords(const std::vector<std::string>& in, const std::vector<std::string>& out,
                      std::size_t headerLines, std::size_t heightItem,
                      const PositionOf& positionOf) {
    EXPECT_EQ(out.size(), in.size());
    if (out.size() != in.size()) return 0;
    for (std::size_t k = 0; k < headerLines; ++k) EXPECT_EQ(out[k], in[k]);
    const int window = InterpolationWindow(TheFlags().useSpline);
    double diffSum = 0;
    for (std::size_t k = headerLines; k < in.size(); ++k) {
      SCOPED_TRACE(in[k]);
      const std::vector<Span> items = Items(in[k]);
      double latitude = 0, longitude = 0;
      positionOf(in[k], items, latitude, longitude);
      const double n = InterpolateGeoid(window, latitude, longitude);
      EXPECT_FALSE(std::isnan(n));
      diffSum -= n;
      // The height item with the blanks before it, up to the item before.
      const std::size_t from = items[heightItem - 1].end, to = items[heightItem].end;
      EXPECT_EQ(out[k].size(), in[k].size());
      EXPECT_EQ(out[k].substr(0, from), in[k].substr(0, from));
      EXPECT_EQ(out[k].substr(to), in[k].substr(to));
      const std::string field = out[k].substr(from, to - from);
      EXPECT_EQ(field.front(), ' ');
      EXPECT_NEAR(Number(std::string(TrimControlAndBlanks(field))),
                  Number(ItemText(in[k], items[heightItem])) - n, kTolerance);
    }
    return diffSum / static_cast<double>(in.size() - headerLines);
  }

  // The summary of a successful conversion of `records` records, all inside.
  void ExpectReport(const std::string& name, std::size_t records, double meanDiff) {
    ASSERT_EQ(window.reportLines.size(), 4u);
    EXPECT_EQ(window.reportLines[0], " CSV: " + name);
    EXPECT_EQ(window.reportLines[1], "    " + std::to_string(records) + " records");
    EXPECT_EQ(window.reportLines[2], "    Heights read as ellipsoidal (RTKLIB header)");
    const std::string& diff = window.reportLines[3];
    ASSERT_TRUE(diff.starts_with("    Geoid diff.  ") && diff.ends_with("m")) << diff;
    EXPECT_NEAR(Number(diff.substr(17, diff.size() - 18)), meanDiff, kTolerance);
    EXPECT_EQ(window.statuses.back(),
              " " + name + "  CSV file ...  Read:" + std::to_string(records) + "rec.");
  }

  std::string corpusText_;
  Solution corpus_;
};

TEST_F(RtklibSolutionTest, TheCorpusSolutionHasEveryHeightCorrectedAndNoOtherByteChanged) {
  for (bool spline : {true, false}) {
    SCOPED_TRACE(spline ? "spline" : "bilinear");
    TheFlags().useSpline = spline;
    window.reportLines.clear();
    std::vector<std::string> out;
    EXPECT_EQ(Convert(kCorpusName, corpusText_, out), static_cast<std::int32_t>(kCorpusRecords));
    const std::vector<std::string> in = Lines(corpusText_, false);
    const double meanDiff = CheckRecords(in, out, corpus_.header.size(), 4, DegreePosition);
    ExpectReport(kCorpusName, kCorpusRecords, meanDiff);
  }
}

// GPS week and seconds of a date and time (GPST), worked out from the days
// since the start of GPS time, 1980-01-06.
std::string WeekAndSeconds(const std::string& date, const std::string& time) {
  const int y = std::stoi(date.substr(0, 4)), m = std::stoi(date.substr(5, 2)),
            d = std::stoi(date.substr(8, 2));
  // Days from 1970-01-01 of a proleptic Gregorian date.
  auto days = [](int year, int month, int day) {
    year -= month <= 2;
    const int era = year / 400, yoe = year - era * 400;
    const int doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    return era * 146097 + yoe * 365 + yoe / 4 - yoe / 100 + doy - 719468;
  };
  const int gpsDays = days(y, m, d) - days(1980, 1, 6);
  const double seconds = (gpsDays % 7) * 86400.0 + std::stoi(time.substr(0, 2)) * 3600.0 +
                         std::stoi(time.substr(3, 2)) * 60.0 + Number(time.substr(6));
  return FormatInt(gpsDays / 7) + FormatFixed(seconds, 3, 11);
}

// Degrees as RTKLIB's degree-minute-second items: "%4.0f %02.0f %08.5f".
std::string Dms(double degrees) {
  const double a = std::fabs(degrees);
  const double d = std::floor(a), m = std::floor((a - d) * 60), s = ((a - d) * 60 - m) * 60;
  const std::string minutes = FormatInt(static_cast<int>(m));
  return FormatFixed(degrees < 0 ? -d : d, 0, 4) + " " + (m < 10 ? "0" : "") + minutes + " " +
         (s < 10 ? "0" : "") + FormatFixed(s, 5);
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  const std::size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

TEST_F(RtklibSolutionTest, ConvertsTheOtherTimeAndPositionFormsRtklibWrites) {
  const std::string& names = corpus_.header.back();
  const struct Form {
    const char* what;
    std::string names;       // the column-name line
    std::size_t heightItem;  // 0-based
    PositionOf positionOf;
    std::function<std::string(const std::string&, const std::vector<Span>&)> record;
  } forms[] = {
      {"GPS week and seconds", names, 4, DegreePosition,
       [](const std::string& line, const std::vector<Span>& items) {
         return WeekAndSeconds(ItemText(line, items[0]), ItemText(line, items[1])) +
                line.substr(items[1].end);
       }},
      {"UTC date and time", Replaced(names, "GPST", "UTC "), 4, DegreePosition,
       [](const std::string& line, const std::vector<Span>&) { return line; }},
      {"degrees, minutes and seconds, south",
       Replaced(Replaced(names, "latitude(deg)", "latitude(d'\")"), "longitude(deg)",
                "longitude(d'\")"),
       8, DmsPosition,
       [](const std::string& line, const std::vector<Span>& items) {
         return line.substr(0, items[1].end) + " " + Dms(-Number(ItemText(line, items[2]))) + " " +
                Dms(Number(ItemText(line, items[3]))) + line.substr(items[3].end);
       }},
  };
  for (const Form& form : forms) {
    SCOPED_TRACE(form.what);
    window.reportLines.clear();
    std::vector<std::string> in = corpus_.header;
    in.back() = form.names;
    for (const std::string& record : corpus_.records)
      in.push_back(form.record(record, Items(record)));
    std::vector<std::string> out;
    EXPECT_EQ(Convert("form.pos", Joined(in), out), static_cast<std::int32_t>(kCorpusRecords));
    const double meanDiff =
        CheckRecords(in, out, corpus_.header.size(), form.heightItem, form.positionOf);
    ExpectReport("form.pos", kCorpusRecords, meanDiff);
  }
}

TEST_F(RtklibSolutionTest, RefusesSolutionsWithoutEllipsoidalHeightsOrWithoutLatitudeLongitude) {
  const std::string& reference = corpus_.header[20];
  const std::string& names = corpus_.header[21];
  const std::string qualities = ",Q=1:fix,2:float,3:sbas,4:dgps,5:single,6:ppp,ns=# of satellites)";
  const std::string commaNames = "%  GPST,latitude(deg),longitude(deg),height(m),Q,ns";
  const struct {
    const char* what;
    std::string reference, names, text;
  } cases[] = {
      {"geodetic heights", Replaced(reference, "ellipsoidal", "geodetic"), names,
       "  MSL input without Geoid : "},
      {"e/n/u baseline", "% (e/n/u-baseline=WGS84" + qualities,
       "%  GPST                  e-baseline(m)  n-baseline(m)  u-baseline(m)   Q  ns",
       "  Unknown CSV log file : "},
      {"x/y/z-ecef", "% (x/y/z-ecef=WGS84" + qualities,
       "%  GPST                      x-ecef(m)      y-ecef(m)      z-ecef(m)   Q  ns",
       "  Unknown CSV log file : "},
      {"Tokyo datum", Replaced(reference, "WGS84", "Tokyo"), names, "  Unknown CSV log file : "},
      // The comma-separated form reads the same header line the same way.
      {"geodetic heights, commas", Replaced(reference, "ellipsoidal", "geodetic"), commaNames,
       "  MSL input without Geoid : "},
      {"Tokyo datum, commas", Replaced(reference, "WGS84", "Tokyo"), commaNames,
       "  Unknown CSV log file : "},
      {"no column-name line", reference, "%", "  Unknown CSV log file : "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    window.reportLines.clear();
    std::vector<std::string> in = corpus_.header;
    in[20] = c.reference;
    in[21] = c.names;
    in.insert(in.end(), corpus_.records.begin(), corpus_.records.end());
    std::vector<std::string> out;
    EXPECT_EQ(Convert("refused.pos", Joined(in), out), -2);
    EXPECT_FALSE(fs::exists(OutputOf(folder_.File("refused.pos"))));
    EXPECT_EQ(window.reportLines, std::vector<std::string>{c.text + "refused.pos"});
    EXPECT_EQ(window.statuses.back(), c.text + "refused.pos");
  }
}

TEST_F(RtklibSolutionTest, CopiesRecordsOutsideTheModelAndCommentLinesAsTheyWere) {
  const std::string outside = Replaced(corpus_.records[0], "35.165360854", "80.000000000");
  const std::string noHeight = corpus_.records[1].substr(0, Items(corpus_.records[1])[3].end);
  // A lost blank between date and time shifts every item: here the
  // longitude and height items still read as a position in the model, and
  // the quality flag would be taken for the height.
  const std::string shifted = Replaced(Replaced(corpus_.records[1], "/11 ", "/11"),
                                       "136.881409532    41.3986", " 36.881409532   136.3986");
  std::vector<std::string> in = corpus_.header;
  in.insert(in.end(), {corpus_.records[0], outside, "% a comment between records", noHeight,
                       shifted, corpus_.records[2]});
  std::string text = Joined(in);
  text.pop_back();  // the last record without a line break
  std::vector<std::string> out;
  EXPECT_EQ(Convert("mixed.pos", text, out), 5);
  ASSERT_EQ(out.size(), in.size());
  for (std::size_t k : {0u, 21u, 23u, 24u, 25u, 26u}) EXPECT_EQ(out[k], in[k]);
  for (std::size_t k : {22u, 27u}) EXPECT_NE(out[k], in[k]);
  ASSERT_EQ(window.reportLines.size(), 5u);
  EXPECT_EQ(window.reportLines[1], "    5 records");
  EXPECT_EQ(window.reportLines[4], "    Number of Geoid outside range = 3/5");
}

TEST(RtklibHeight, IsWrittenRightAlignedInItsOwnColumn) {
  const RtklibColumns columns{{2, false}, {3, false}, {4, false}};
  const std::string head = "2023/07/11 06:04:32.000   35.165360854  136.881409534";
  const std::string tail = "   1  19";
  const struct {
    std::string height;
    double value;
    int decimals;
    std::string expected;
  } cases[] = {
      {"    41.4069", 4.4059, 4, "     4.4059"},         {"    41.4069", -1234.5, 2, "   -1234.50"},
      {"    41.4069", 12345.5, 4, " 12345.5000"},         // wider: takes blanks before
      {"  41.4069", -12345678.25, 4, " -12345678.2500"},  // wider than the blanks: grows
      {"    41.4069", 4.40594, 1, "        4.4"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.height);
    const std::string line = head + c.height + tail;
    const std::string result = ReplaceRtklibHeight(line, columns, c.value, c.decimals);
    EXPECT_EQ(result, head + c.expected + tail);
  }
}

}  // namespace
}  // namespace orthelev
