#pragma once
// Generated receiver tracks for the benchmarks: GGA sentences of a receiver
// driving around inside the synthetic test grid (30..40 N, 130..145 E).

#include <cmath>
#include <string>

#include "../tests/support/nmea_text.hpp"
#include "base/number_format.hpp"

namespace orthelev::bench {

// Degrees as NMEA writes them: ddmm.mmmm (or dddmm.mmmm).
inline std::string DegreesMinutes(double degrees, int degreeDigits) {
  const int whole = static_cast<int>(degrees);
  std::string d = FormatInt(whole);
  d.insert(0, degreeDigits - d.size(), '0');
  std::string m = FormatFixed((degrees - whole) * 60, 4, 7);
  for (char& c : m)
    if (c == ' ') c = '0';
  return d + m;
}

// Latitude and longitude of the i-th fix of the track.
inline double TrackLatitude(int i) { return 35 + 3 * std::sin(i * 1e-4); }
inline double TrackLongitude(int i) { return 137 + 5 * std::cos(0.7 * i * 1e-4); }

// `sentences` GGA sentences of the track, CR LF ended.
inline std::string GgaTrack(int sentences) {
  std::string log;
  log.reserve(static_cast<size_t>(sentences) * 80);
  for (int i = 0; i < sentences; ++i) {
    log += testing::Signed("$GPGGA,1200" + FormatInt(i % 60) + ".00," +
                           DegreesMinutes(TrackLatitude(i), 2) + ",N," +
                           DegreesMinutes(TrackLongitude(i), 3) + ",E,1,08,1.0," +
                           FormatFixed(50 + 10 * std::sin(i * 0.01), 3) + ",M,39.2,M,,") +
           "\r\n";
  }
  return log;
}

// `points` GPX 1.1 track points of the track, each with <ele>, <time> and an
// extension, as phone and sports loggers write them (LF ended), and the
// lines before and after them that make a whole file.
inline std::string GpxTrackPoints(int points) {
  std::string text;
  text.reserve(static_cast<size_t>(points) * 200);
  for (int i = 0; i < points; ++i)
    text += "      <trkpt lat=\"" + FormatFixed(TrackLatitude(i), 7) + "\" lon=\"" +
            FormatFixed(TrackLongitude(i), 7) + "\">\n        <ele>" +
            FormatFixed(50 + 10 * std::sin(i * 0.01), 3) +
            "</ele>\n        <time>2024-05-01T12:" + FormatInt(10 + i / 60 % 50) + ":" +
            FormatInt(10 + i % 50) + "Z</time>\n        <extensions><tpx:hr>" +
            FormatInt(100 + i % 40) + "</tpx:hr></extensions>\n      </trkpt>\n";
  return text;
}
inline constexpr const char* kGpxHead =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<gpx version=\"1.1\" creator=\"bench\" xmlns=\"http://www.topografix.com/GPX/1/1\" "
    "xmlns:tpx=\"urn:bench\">\n  <trk>\n    <trkseg>\n";
inline constexpr const char* kGpxTail = "    </trkseg>\n  </trk>\n</gpx>\n";

}  // namespace orthelev::bench
