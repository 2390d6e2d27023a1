// Pictures as SVG: well-formed whatever the file name, and holding the
// series of the profile they draw.

#include "console/svg_picture.hpp"

#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "conversion/profile_picture.hpp"
#include "support/xml_check.hpp"

namespace orthelev {
namespace {

// The points of the polyline of class `name`, as "x,y" texts.
std::vector<std::string> PointsOf(const std::string& svg, const std::string& name) {
  const std::size_t line = svg.find("<polyline class=\"" + name + "\"");
  if (line == std::string::npos) return {};
  const std::size_t start = svg.find("points=\"", line) + 8;
  const std::string points = svg.substr(start, svg.find('"', start) - start);
  std::vector<std::string> result;
  for (std::size_t at = 0; at < points.size();) {
    const std::size_t blank = points.find(' ', at);
    result.push_back(points.substr(at, blank - at));
    at = blank == std::string::npos ? points.size() : blank + 1;
  }
  return result;
}

TEST(SvgPicture, AProfileIsWellFormedAndHoldsItsSeries) {
  struct Case {
    std::string name;
    int records;
    bool outsideHalf;  // the second half of the records outside the model
  };
  for (const Case& c : {Case{"walk.nmea", 1, false}, Case{"a&b <c> \"d\".gpx", 500, true},
                        Case{"long.pos", 100000, false}}) {
    FileProfile file{c.name, {}};
    for (int i = 0; i < c.records; ++i) {
      const bool outside = c.outsideHalf && i >= c.records / 2;
      const double n = outside ? std::nan("") : 36.0 + (i % 10) * 0.1;
      file.profile.Add(100.0 + i % 50, 100.0 + i % 50 - n, n);
    }
    const Picture picture = ProfilePicture(file);
    const std::string svg = SvgOf(picture);
    EXPECT_EQ(testing::XmlProblem(svg), "") << c.name;
    EXPECT_NE(svg.find("<title>Height profile: "), std::string::npos);

    const std::size_t buckets = file.profile.Buckets().size();
    for (const char* series : {kReadSeries, kWrittenSeries, kGeoidSeries}) {
      const std::vector<std::string> points = PointsOf(svg, series);
      ASSERT_FALSE(points.empty()) << c.name << " " << series;
      // A bucket is one point, or two where its minimum and maximum differ;
      // the outside half has no N and no written height.
      const std::size_t drawn = c.outsideHalf && series != kReadSeries ? buckets / 2 : buckets;
      EXPECT_GE(points.size(), std::max<std::size_t>(drawn, 2)) << c.name << " " << series;
      EXPECT_LE(points.size(), 2 * drawn + 1) << c.name << " " << series;
    }
    const std::string outsideFill = "fill=\"#dc2828\"";  // kOutsideColour
    // The legend shows the colour once; the strip marks the outside buckets.
    std::size_t marks = 0;
    for (std::size_t at = svg.find(outsideFill); at != std::string::npos;
         at = svg.find(outsideFill, at + 1))
      ++marks;
    EXPECT_EQ(marks - 1, c.outsideHalf ? buckets - buckets / 2 : 0) << c.name;
  }
}

TEST(SvgPicture, ProfileCsvHasARowPerBucket) {
  HeightProfile profile;
  profile.Add(10, 5, 5);
  profile.Add(12, std::nan(""), 5);
  profile.Add(11, std::nan(""), std::nan(""));
  EXPECT_EQ(ProfileCsv(profile),
            "first_record,last_record,records,outside,uncorrected,read_min,read_max,written_min,"
            "written_max,n_min,n_max\n"
            "1,1,1,0,0,10.000,10.000,5.000,5.000,5.000,5.000\n"
            "2,2,1,0,1,12.000,12.000,,,5.000,5.000\n"
            "3,3,1,1,0,11.000,11.000,,,,\n");
}

}  // namespace
}  // namespace orthelev
