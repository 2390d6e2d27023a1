// GPX conversion against grids whose geoid heights are known in closed
// form: every output must be the input with only the numbers of the points'
// <ele> and <geoidheight> replaced, by values this test computes itself with
// a simple finder of its own; refused files leave no output.

#include "conversion/gpx_conversion.hpp"

#include <cerrno>
#include <cmath>
#include <filesystem>
#include <functional>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/number_format.hpp"
#include "conversion/gpx_scan.hpp"
#include "conversion/logger_profiles.hpp"
#include "conversion/nmea_file.hpp"
#include "flags/program_flags.hpp"
#include "platform/platform.hpp"
#include "support/file_size_limit.hpp"
#include "support/nmea_text.hpp"
#include "support/recording_window_services.hpp"
#include "support/synthetic_grid.hpp"
#include "support/temp_dir.hpp"

namespace orthelev {
namespace {

namespace fs = std::filesystem;
using testing::ReadBytes;
using testing::TempDir;
using Model = std::function<double(double lat, double lon)>;

// Node values lat/4 + east/8 at whole degrees are exact in float, and
// bilinear interpolation gives the linear field back between them.
double WorldN(double lat, double lon) { return lat / 4 + std::fmod(lon + 360, 360) / 8; }

// The regional grid of SyntheticGrid{} (30..40 N, 130..145 E) with the
// same field; NaN outside it.
double RegionalN(double lat, double lon) {
  return lat >= 30 && lat <= 40 && lon >= 130 && lon <= 145 ? WorldN(lat, lon) : NAN;
}

bool ReadNumber(std::string_view text, double& value) {
  const std::string s(text);
  if (s.empty() || s.find_first_not_of("+-.0123456789eE") != std::string::npos) return false;
  size_t used = 0;
  value = std::stod(s, &used);
  return used == s.size();
}

double Attribute(const std::string& tag, const char* name) {
  const std::regex pattern(std::string(R"((^|\s))") + name + R"(\s*=\s*(["'])([^"']*)\2)");
  std::smatch m;
  double value = NAN;
  if (std::regex_search(tag, m, pattern) && !ReadNumber(m[3].str(), value)) value = NAN;
  return value;
}

struct Expected {
  std::string output;
  int records = 0, inside = 0, outside = 0;
  double diffSum = 0;
};

// The conversion worked out independently: points found by plain text
// search (files of this test put no ">" in attribute values and keep
// extensions last in a point), numbers replaced with ele + g - N and N.
Expected ExpectedConversion(const std::string& gpx, const Model& model, int decimals) {
  Expected e;
  struct Span {
    size_t start, end;
    std::string text;
  };
  std::vector<Span> spans;
  const std::regex pointTag(R"(<((\w+:)?)(wpt|rtept|trkpt)[\s>])");
  size_t skipUntil = 0;
  for (std::sregex_iterator it(gpx.begin(), gpx.end(), pointTag), end; it != end; ++it) {
    const size_t at = it->position();
    const auto inside = [&](const char* open, const char* close) {
      const size_t from = gpx.rfind(open, at);
      return from != std::string::npos && gpx.find(close, from) > at;
    };
    if (inside("<extensions>", "</extensions>") || inside("<!--", "-->")) continue;
    if (at < skipUntil) continue;
    const std::string prefix = (*it)[1], name = prefix + (*it)[3].str();
    const size_t tagEnd = gpx.find('>', at);
    if (gpx[tagEnd - 1] == '/') continue;
    const std::string tag = gpx.substr(at, tagEnd - at);
    const size_t close = gpx.find("</" + name + ">", tagEnd);
    skipUntil = close;
    std::string body = gpx.substr(tagEnd + 1, close - tagEnd - 1);
    body = body.substr(0, body.find("<" + prefix + "extensions>"));
    const auto number = [&](const std::string& element, double& value, size_t& start,
                            size_t& stop) {
      const std::string open = "<" + prefix + element + ">";
      const size_t from = body.find(open);
      if (from == std::string::npos) return false;
      start = from + open.size();
      stop = body.find("</" + prefix + element + ">", start);
      while (start < stop && std::isspace(static_cast<unsigned char>(body[start]))) ++start;
      while (stop > start && std::isspace(static_cast<unsigned char>(body[stop - 1]))) --stop;
      if (!ReadNumber(body.substr(start, stop - start), value)) value = NAN;
      start += tagEnd + 1;
      stop += tagEnd + 1;
      return true;
    };
    double ele = 0, g = 0;
    size_t eleStart = 0, eleEnd = 0, gStart = 0, gEnd = 0;
    if (!number("ele", ele, eleStart, eleEnd)) continue;
    ++e.records;
    const bool hasG = number("geoidheight", g, gStart, gEnd);
    const double lat = Attribute(tag, "lat"), lon = Attribute(tag, "lon");
    if (std::isnan(ele) || std::isnan(g) || std::isnan(lat) || std::isnan(lon)) continue;
    const double n = model(lat, lon);
    if (std::isnan(n)) {
      ++e.outside;
      continue;
    }
    ++e.inside;
    e.diffSum += g - n;
    spans.push_back({eleStart, eleEnd, FormatFixed((ele + g) - n, decimals)});
    if (hasG) spans.push_back({gStart, gEnd, FormatFixed(n, decimals)});
  }
  std::sort(spans.begin(), spans.end(),
            [](const Span& a, const Span& b) { return a.start > b.start; });
  e.output = gpx;
  for (const Span& s : spans) e.output.replace(s.start, s.end - s.start, s.text);
  return e;
}

// UTF-8 text (up to 3-byte sequences) as UTF-16 with a byte-order mark.
std::string Utf16(const std::string& utf8, bool bigEndian) {
  std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (size_t i = 0; i < utf8.size();) {
    const unsigned char b = utf8[i];
    unsigned unit = b;
    int length = 1;
    if (b >= 0xE0) {
      unit = (b & 0x0F) << 12 | (utf8[i + 1] & 0x3F) << 6 | (utf8[i + 2] & 0x3F);
      length = 3;
    } else if (b >= 0xC0) {
      unit = (b & 0x1F) << 6 | (utf8[i + 1] & 0x3F);
      length = 2;
    }
    const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
    out += bigEndian ? std::string{high, low} : std::string{low, high};
    i += length;
  }
  return out;
}

// The scan's handler correcting with RegionalN directly, keeping the output.
struct ClosedFormCorrection : GpxScanHandler {
  std::string output;
  bool OnRoot(std::string_view) override { return true; }
  bool OnPoint(const GpxPoint& p, GpxPointEdit& edit) override {
    const double g = p.hasGeoidHeight ? p.geoidHeight : 0, n = RegionalN(p.latitude, p.longitude);
    if (std::isnan(n) || std::isnan(p.ele) || std::isnan(g)) return true;
    edit.ele = FormatFixed((p.ele + g) - n, 4);
    if (p.hasGeoidHeight) edit.geoidHeight = FormatFixed(n, 4);
    return true;
  }
  bool Write(std::string_view bytes) override {
    output.append(bytes);
    return true;
  }
};

class GpxConversionTest : public testing::ProgramState {
 protected:
  void SetUp() override {
    ProgramState::SetUp();
    TheSettings().decimal = "4";
    TheSettings().postfix = "_g";
    MergeDefaultProfiles();
  }
  bool OpenWorld() {
    return testing::SyntheticGrid{-90, 0, 1, 1, 181, 360}.WriteAndOpen(
        dir.Folder(), "world.grd",
        [](double lat, double lon) { return static_cast<float>(WorldN(lat, lon)); });
  }
  bool OpenRegion() {
    return testing::SyntheticGrid{}.WriteAndOpen(
        dir.Folder(), "region.grd",
        [](double lat, double lon) { return static_cast<float>(WorldN(lat, lon)); });
  }
  std::string OutputOf(const std::string& name) {
    const fs::path p(name);
    return dir.File(p.stem().string() + "_g" + p.extension().string());
  }
  std::vector<std::string> SummaryOf(const std::string& name, const Expected& e,
                                     const std::string& reading) {
    std::vector<std::string> lines = {" GPX: " + name, "    " + FormatInt(e.records) + " records"};
    if (e.inside > 0) {
      lines.push_back(reading);
      lines.push_back("    Geoid diff.  " + FormatFixed(e.diffSum / e.inside, 4, 6) + "m");
    }
    if (e.outside > 0)
      lines.push_back("    Number of Geoid outside range = " + FormatInt(e.outside) + "/" +
                      FormatInt(e.outside + e.inside));
    if (e.inside == 0)
      lines.push_back(std::string("    Nothing corrected: ") +
                      (e.records == 0 ? "no point with <ele>" : "no position inside the model"));
    return lines;
  }
  TempDir dir;
};

constexpr const char* kEllipsoidal = "    Heights read as ellipsoidal (creator OpenTracks)";
constexpr const char* kWithGeoid = "    Heights read as <ele> + <geoidheight>";

TEST_F(GpxConversionTest, CorpusFilesChangeOnlyInTheirNumbers) {
  const fs::path corpus = fs::path(ORTHELEV_CORPUS_DIR) / "gpx";
  if (!fs::is_directory(corpus)) GTEST_SKIP() << corpus << " not present";
  ASSERT_TRUE(OpenWorld());
  constexpr const char* kSeaLevel = "  MSL input without Geoid : ";
  constexpr const char* kUnknown = "  Height reference unknown : ";
  constexpr const char* kStated = "    Heights read as ellipsoidal (stated by the user)";
  struct Case {
    const char* file;
    std::int32_t result;
    const char* reading;  // or the refusal, for a result of -2
    bool stated = false;  // the user states the heights ellipsoidal
  };
  const Case cases[] = {
      {"gpsbabel_nmea+ms.gpx", 26, kWithGeoid},  // GPX 1.0 with geoidheight
      {"gpxpy_gpx1.1_with_all_fields.gpx", 3, kWithGeoid},
      {"opentracks_legacy_gpx_pause_resume.gpx", 6,
       "    Heights read as ellipsoidal (creator OpenTracks)"},
      {"gpsbabel_iblue747-csv.gpx", -2, kUnknown},  // GPSBabel converts, it does not tell
      {"gpsbabel_iblue747-csv.gpx", 747, kStated, true},
      {"gpsbabel_gpxpassthrough11.gpx", -2, kUnknown},  // "hand crafted"
      {"gpsbabel_lowrance-utf16-test.gpx", 0, ""},      // no <ele>: copied as it is
      {"gpsbabel_garminconnect.gpx", -2, kSeaLevel},    // Garmin, no geoidheight
      {"gpxgo_file.gpx", -2, kSeaLevel},                // eTrex 10
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    window.reportLines.clear();
    TheSettings().heightReference =
        c.stated ? HeightReference::Ellipsoidal : HeightReference::AsFileSays;
    const std::string link = dir.File(c.file);
    fs::remove(link);
    testing::LinkOrCopy(corpus / c.file, link);
    EXPECT_EQ(ConvertGpxFile(link), c.result);
    if (c.result == -2) {
      EXPECT_FALSE(fs::exists(OutputOf(c.file)));
      ASSERT_GE(window.reportLines.size(), 2u);
      EXPECT_EQ(window.reportLines[1], c.reading + std::string(c.file));
      continue;
    }
    const Expected e = ExpectedConversion(ReadBytes(link), WorldN, 4);
    EXPECT_EQ(e.records, c.result);
    EXPECT_EQ(ReadBytes(OutputOf(c.file)), e.output);
    EXPECT_EQ(window.reportLines, SummaryOf(c.file, e, c.reading));
  }
}

TEST_F(GpxConversionTest, GeneratedFilesOfEveryShape) {
  ASSERT_TRUE(OpenRegion());
  const std::string header = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  struct Case {
    const char* name;
    std::string text;
    const char* reading;
  };
  const Case cases[] = {
      {"quotes.gpx",
       header + "<gpx creator='OpenTracks' version='1.1'>\r\n<!-- a <trkpt> in a comment -->\r\n"
                "<wpt lon='139.5' lat='35.25'><ele>100.0</ele><name><![CDATA[<ele>1</ele>]]>"
                "</name></wpt>\r\n<wpt lat=\"35.5\" lon=\"139.75\"/>\r\n</gpx>\r\n",
       kEllipsoidal},
      {"prefixed.gpx",
       header + "<gpx:gpx xmlns:gpx=\"http://www.topografix.com/GPX/1/1\" creator=\"x\">\n"
                "<gpx:trk><gpx:trkseg><gpx:trkpt lat=\"36\" lon=\"140.125\">\n"
                "  <gpx:ele>\t12.5 </gpx:ele><gpx:geoidheight>40</gpx:geoidheight>\n"
                "  <gpx:extensions><gpx:ele>7</gpx:ele></gpx:extensions>\n"
                "</gpx:trkpt></gpx:trkseg></gpx:trk></gpx:gpx>",
       kWithGeoid},
      {"mixed.gpx",
       "<gpx version=\"1.0\" creator=\"My Tracks\">\r<rte><rtept lat=\"31\" "
       "lon=\"131\"><geoidheight>35.0"
       "</geoidheight><ele>-3</ele></rtept>\r<rtept lat=\"50\" lon=\"131\"><ele>9</ele></rtept>\r"
       "<rtept lon=\"131\"><ele>9</ele></rtept>\r<rtept lat=\"32\" lon=\"132\"><ele>1<!--x-->2"
       "</ele></rtept>\r<rtept lat=\"33\" lon=\"133\"><ele>44</ele></rtept></rte>\r"
       "<extensions><trkpt lat=\"34\" lon=\"134\"><ele>5</ele></trkpt></extensions></gpx>",
       "    Heights read as <ele> + <geoidheight>, ellipsoidal without it (creator My Tracks)"},
  };
  for (const Case& c : cases) {
    const Expected e = ExpectedConversion(c.text, RegionalN, 4);
    ASSERT_GT(e.inside, 0) << c.name;
    for (const int form : {0, 1, 2, 3}) {  // UTF-8, UTF-8 with BOM, UTF-16 LE, UTF-16 BE
      SCOPED_TRACE(std::string(c.name) + " in form " + FormatInt(form));
      const auto encode = [form](const std::string& text) {
        return form == 0 ? text : form == 1 ? "\xEF\xBB\xBF" + text : Utf16(text, form == 3);
      };
      window.reportLines.clear();
      const std::string path = dir.Write(c.name, encode(c.text));
      EXPECT_EQ(ConvertGpxFile(path), e.records);
      EXPECT_EQ(ReadBytes(OutputOf(c.name)), encode(e.output));
      EXPECT_EQ(window.reportLines, SummaryOf(c.name, e, c.reading));
      // The scan gives the same bytes whatever pieces the file comes in.
      for (const std::size_t piece : {1, 3, 64}) {
        ClosedFormCorrection correction;
        GpxScanner scanner(correction);
        const std::string bytes = encode(c.text);
        for (std::size_t at = 0; at < bytes.size(); at += piece)
          ASSERT_EQ(scanner.Feed(std::string_view(bytes).substr(at, piece)), GpxScanEnd::Running);
        EXPECT_EQ(scanner.Finish(), GpxScanEnd::Finished);
        EXPECT_EQ(correction.output, encode(e.output)) << "in pieces of " << piece;
      }
    }
  }
}

TEST_F(GpxConversionTest, RefusedFilesWriteNoOutput) {
  ASSERT_TRUE(OpenRegion());
  const std::string point = "<trkpt lat=\"35\" lon=\"139\"><ele>10</ele></trkpt>";
  struct Case {
    std::string text;
    const char* report;
  };
  const Case cases[] = {
      {"<?xml version=\"1.0\"?><kml><trkpt lat=\"35\" lon=\"139\"/></kml>",
       "  Unknown GPX log file : "},
      {"", "  Unknown GPX log file : "},
      {"<gpx><trk><trkseg>" + point + point.substr(0, 30), "  GPX log file cut short : "},
      {"<gpx><trk><trkseg>" + point + "</trkseg></trk>", "  GPX log file cut short : "},
      {"<gpx><trk>" + point + "<!-- not closed", "  GPX log file cut short : "},
      {"<gpx><trk>" + point + "</trkseg></trk></gpx>", "  Broken GPX log file : "},
      {"<gpx><trk name='" + std::string(GpxScanner::kMaxTagCharacters, 'x') + "'>" + point +
           "</trk></gpx>",
       "  Broken GPX log file : "},
      {"<gpx creator=\"eTrex 30x\"><trk>" + point + "</trk></gpx>", "  MSL input without Geoid : "},
      {"<gpx creator=\"Garmin Connect\"><trk><trkpt lat=\"35\" lon=\"139\"><ele>10</ele>"
       "<geoidheight>30</geoidheight></trkpt>" +
           point + "</trk></gpx>",
       "  MSL input without Geoid : "},
      {"<gpx creator=\"MapSource 6.16\"><wpt lat=\"35\" lon=\"139\"/></gpx>",
       "  MSL input without Geoid : "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    window.reportLines.clear();
    const std::string output = OutputOf("refused.gpx");
    testing::WriteBytes(output, "an earlier output");
    EXPECT_EQ(ConvertGpxFile(dir.Write("refused.gpx", c.text)), -2);
    EXPECT_EQ(ReadBytes(output), "an earlier output") << "kept, not replaced";
    EXPECT_TRUE(testing::NoHiddenFiles(dir.Path())) << "a temporary file is left";
    EXPECT_EQ(window.reportLines, (std::vector<std::string>{
                                      " GPX: refused.gpx", c.report + std::string("refused.gpx")}));
    EXPECT_EQ(window.StatusText(), c.report + std::string("refused.gpx"));
  }
  // With <geoidheight> on every point a Garmin file is converted.
  const std::string garmin =
      "<gpx creator=\"Garmin Connect\"><trk><trkpt lat=\"35\" lon=\"139\"><ele>10</ele>"
      "<geoidheight>30</geoidheight></trkpt></trk></gpx>";
  EXPECT_EQ(ConvertGpxFile(dir.Write("garmin.gpx", garmin)), 1);
  EXPECT_EQ(ReadBytes(OutputOf("garmin.gpx")), ExpectedConversion(garmin, RegionalN, 4).output);
}

// Before the root only markup and blanks may stand: the first other byte
// tells that a file is no GPX, however large it is, and nothing is written.
TEST_F(GpxConversionTest, KnowsAFileWithoutRootAtItsFirstText) {
  const std::string zeros(std::size_t{1} << 20, '\0');  // a sparse file reads as zeros
  const std::string declaration = "<?xml version=\"1.0\"?>\r\n<!-- a track -->\r\n";
  const struct {
    const char* what;
    std::string start;
    GpxScanEnd end;
  } cases[] = {
      {"zeros", zeros, GpxScanEnd::NoRoot},
      {"text after the declaration", declaration + " track" + zeros, GpxScanEnd::NoRoot},
      {"UTF-16 text", Utf16(declaration + "track", false) + zeros, GpxScanEnd::NoRoot},
      {"blanks and markup, then the root", declaration + " \t\r\n<gpx>", GpxScanEnd::Running},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ClosedFormCorrection correction;
    GpxScanner scanner(correction);
    EXPECT_EQ(scanner.Feed(c.start), c.end);
    if (c.end == GpxScanEnd::NoRoot) {
      EXPECT_EQ(correction.output.size(), 0u);
    }
  }
}

TEST_F(GpxConversionTest, AFailedWriteLeavesNoOutput) {
  ORTHELEV_NEEDS_FILE_SIZE_LIMIT();
  ASSERT_TRUE(OpenRegion());
  std::string text = "<gpx creator=\"OpenTracks\"><trk><trkseg>\n";
  for (int i = 0; i < 3000; ++i) text += "<trkpt lat=\"35\" lon=\"139\"><ele>1</ele></trkpt>\n";
  const std::string path = dir.Write("full.gpx", text + "</trkseg></trk></gpx>\n");
  std::int32_t result = 0;
  {
    testing::FileSizeLimit limit(64 * 1024);  // the disk is full after 64 KiB
    ASSERT_TRUE(limit.Active());
    result = ConvertGpxFile(path);
  }
  EXPECT_EQ(result, -1);
  const std::string why =
      "Can't create: " + OutputOf("full.gpx") + ": " + platform::ErrorText(EFBIG);
  EXPECT_EQ(window.reportLines.back(), "  " + why);
  EXPECT_EQ(window.messages, std::vector<std::string>{why});
  EXPECT_FALSE(fs::exists(OutputOf("full.gpx")));
  EXPECT_TRUE(testing::NoHiddenFiles(dir.Path())) << "a temporary file is left";
}

// gpsbabel_nmea+ms.gpx was written from gpsbabel_nmea+ms.txt: <ele> the GGA
// altitude, <geoidheight> its separation. Both conversions must give every
// point the same heights, written to the same last decimal.
TEST_F(GpxConversionTest, GivesTheHeightsOfTheNmeaLogItWasMadeFrom) {
  const fs::path corpus(ORTHELEV_CORPUS_DIR);
  if (!fs::is_directory(corpus / "gpx")) GTEST_SKIP() << corpus << " not present";
  testing::SyntheticGrid world{-90, 0, 1, 1, 181, 360};
  ASSERT_TRUE(world.WriteAndOpen(dir.Folder(), "world.grd", [](double lat, double lon) {
    return static_cast<float>(30 * std::cos(lat * M_PI / 180) * std::sin(lon * M_PI / 180) + 7);
  }));
  TheFlags().useSpline = true;
  TheSettings().decimal = "6";
  const std::string nmea = dir.File("track.txt"), gpx = dir.File("track.gpx");
  testing::LinkOrCopy(corpus / "nmea" / "gpsbabel_nmea+ms.txt", nmea);
  testing::LinkOrCopy(corpus / "gpx" / "gpsbabel_nmea+ms.gpx", gpx);
  ASSERT_EQ(ConvertNmeaFile(nmea), 30);
  ASSERT_EQ(ConvertGpxFile(gpx), 26);

  // Corrected GGA altitude and separation by the original position and altitude.
  std::map<std::string, std::pair<std::string, std::string>> gga;
  std::istringstream before(ReadBytes(nmea)), after(ReadBytes(OutputOf("track.txt")));
  for (std::string in, out; std::getline(before, in) && std::getline(after, out);) {
    const auto i = testing::SplitAtCommas(in), o = testing::SplitAtCommas(out);
    if (i[0] != "$GPGGA") continue;
    gga[i[2] + i[4] + "/" + FormatFixed(std::stod(i[9]), 3)] = {o[9], o[11]};
  }
  const std::string original = ReadBytes(gpx), corrected = ReadBytes(OutputOf("track.gpx"));
  const std::regex point(
      R"re(lat="([0-9.]+)" lon="([0-9.]+)">\s*<ele>([^<]*)</ele>[\s\S]*?<geoidheight>([^<]*)<)re");
  std::sregex_iterator in(original.begin(), original.end(), point),
      out(corrected.begin(), corrected.end(), point), end;
  int compared = 0;
  for (; in != end && out != end; ++in, ++out, ++compared) {
    const auto minutes = [](const std::string& degrees, int width) {
      const double d = std::stod(degrees);
      std::string text = FormatFixed(std::floor(d) * 100 + (d - std::floor(d)) * 60, 4);
      return std::string(width + 5 - std::min<size_t>(text.size(), width + 5), '0') + text;
    };
    const std::string key = minutes((*in)[1], 4) + minutes((*in)[2], 5) + "/" + (*in)[3].str();
    SCOPED_TRACE(key);
    ASSERT_EQ(gga.count(key), 1u);
    EXPECT_EQ((*out)[3].str(), gga[key].first);
    EXPECT_EQ((*out)[4].str(), gga[key].second);
  }
  EXPECT_EQ(compared, 26);
  EXPECT_EQ(out, end);
}

TEST_F(GpxConversionTest, ShowsProgressEvery1024PointsAndStopsOnEsc) {
  ASSERT_TRUE(OpenRegion());
  std::string text = "<gpx creator=\"OpenTracks\"><trk><trkseg>\n";
  for (int i = 0; i < 2100; ++i)
    text += "<trkpt lat=\"35\" lon=\"139\"><ele>" + FormatInt(i) + "</ele></trkpt>\n";
  text += "</trkseg></trk></gpx>\n";
  const std::string path = dir.Write("long.gpx", text);
  EXPECT_EQ(ConvertGpxFile(path), 2100);
  int progress = 0;
  for (const std::string& status : window.statuses)
    if (status.starts_with(" long.gpx  GPX file (") && status.ends_with("%)")) ++progress;
  EXPECT_EQ(progress, 2);
  EXPECT_TRUE(window.StatusText().ends_with("  Read:2100rec.")) << window.StatusText();

  // Esc keeps the complete output of the run before, and leaves nothing else.
  const std::string complete = ReadBytes(OutputOf("long.gpx"));
  window.reportLines.clear();
  window.SetStatusText("");
  window.onPendingEvents = [this] {
    if (window.StatusText().find("GPX file (") != std::string::npos)
      TheFlags().abortRequested = true;
  };
  EXPECT_EQ(ConvertGpxFile(path), 1024);
  EXPECT_EQ(window.reportLines, (std::vector<std::string>{
                                    " GPX: long.gpx", "  Stopped, no output written : long.gpx"}));
  EXPECT_TRUE(ReadBytes(OutputOf("long.gpx")) == complete);
  EXPECT_TRUE(testing::NoHiddenFiles(dir.Path()));
}

}  // namespace
}  // namespace orthelev
