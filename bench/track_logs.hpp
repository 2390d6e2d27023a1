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
    "<gpx version=\"1.1\" creator=\"OpenTracks (bench)\" "
    "xmlns=\"http://www.topografix.com/GPX/1/1\" "
    "xmlns:tpx=\"urn:bench\">\n  <trk>\n    <trkseg>\n";
inline constexpr const char* kGpxTail = "    </trkseg>\n  </trk>\n</gpx>\n";

// An RTKLIB solution file of `records` records of the track as RTKPOST
// writes it by default (header block, blank-separated items, LF ended).
inline std::string RtklibTrack(int records) {
  std::string text =
      "% program   : RTKPOST ver.2.4.3\n"
      "% pos mode  : Kinematic\n"
      "%\n"
      "% (lat/lon/height=WGS84/ellipsoidal,Q=1:fix,2:float,3:sbas,4:dgps,5:single,6:ppp,"
      "ns=# of satellites)\n"
      "%  GPST                  latitude(deg) longitude(deg)  height(m)   Q  ns   sdn(m)   "
      "sde(m)   sdu(m)  sdne(m)  sdeu(m)  sdun(m) age(s)  ratio\n";
  text.reserve(text.size() + static_cast<size_t>(records) * 150);
  for (int i = 0; i < records; ++i)
    text += "2024/05/01 12:" + FormatInt(10 + i / 60 % 50) + ":" + FormatInt(10 + i % 50) +
            ".000   " + FormatFixed(TrackLatitude(i), 9) + "  " +
            FormatFixed(TrackLongitude(i), 9) + FormatFixed(90 + 10 * std::sin(i * 0.01), 4, 11) +
            "   1  19   0.0045   0.0045   0.0097   0.0027   0.0011  -0.0030   0.03    5.9\n";
  return text;
}

}  // namespace orthelev::bench
