// The data of bench/compare.sh, written into a folder:
//   track.nmea      a GGA track of consecutive 1 Hz fixes (CR LF lines)
//   track.gpx       the fixes of a track of as many points as a GPX 1.1 track
//   track.pos       the same as an RTKLIB solution file
//   random.txt      one million random points worldwide as "lat lon h" lines
//   points.txt      the same fixes as "lat lon h" lines (h ellipsoidal, metres)
//   Und_min2.5x2.5_egm2008_isw=82_WGS84_TideFree_SE
//                   a synthetic grid in the EGM2008 2.5' layout
//   egm2008-2_5.pgm the same grid as GeographicLib's PGM (offset -108, scale 0.003)
//   heights.txt     with POINTS: the fixes of a track of POINTS sentences as "lat lon h" lines
// Usage: orthelev_compare_data FOLDER [SENTENCES [POINTS]]

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "../synthetic_egm.hpp"
#include "../track_logs.hpp"
#include "base/number_format.hpp"
#include "conversion/nmea_sentence.hpp"
#include "settings/settings.hpp"

namespace {

using namespace orthelev;

bool WriteText(const std::string& path, const std::string& text) {
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) return false;
  const bool written = std::fwrite(text.data(), 1, text.size(), out) == text.size();
  return std::fclose(out) == 0 && written;
}

// "lat lon h" of every GGA line of the track, as the converter reads them.
std::string PointsOf(const std::string& track) {
  std::string points;
  for (size_t start = 0, end; (end = track.find("\r\n", start)) != track.npos; start = end + 2) {
    const SentenceFields fields = SplitSentenceFields(track.substr(start, end - start));
    const SentenceFix fix = ParseGgaFields(fields);
    points += FormatFixed(fix.latitude, 9) + " " + FormatFixed(fix.longitude, 9) + " " +
              FormatFixed(fix.altitude + fix.separation, 3) + "\n";
  }
  return points;
}

// `count` points uniform over the sphere as "lat lon h" lines.
std::string RandomPoints(int count) {
  std::string points;
  std::mt19937_64 rng(11);
  std::uniform_real_distribution<double> z(-1, 1), lon(-180, 180), h(-50, 3000);
  for (int i = 0; i < count; ++i)
    points += FormatFixed(std::asin(z(rng)) * 180 / M_PI, 9) + " " + FormatFixed(lon(rng), 9) +
              " " + FormatFixed(h(rng), 3) + "\n";
  return points;
}

// The grid as GeographicLib's PGM: big-endian 16-bit values, offset + scale x value.
bool WritePgm(const std::string& path, const GridSpec& geometry) {
  constexpr double kOffset = -108, kScale = 0.003;
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) return false;
  const std::string header =
      "P5\n# Description synthetic EGM2008-layout 2.5-minute grid\n"
      "# Offset -108\n# Scale 0.003\n# Origin 90N 0E\n" +
      FormatInt(geometry.nlon) + " " + FormatInt(geometry.nlat) + "\n65535\n";
  bool ok = std::fwrite(header.data(), 1, header.size(), out) == header.size();
  const bench::SyntheticSurface surface(geometry);
  std::vector<float> row(static_cast<size_t>(geometry.nlon));
  std::vector<unsigned char> bytes(row.size() * 2);
  for (int r = 0; r < geometry.nlat && ok; ++r) {
    surface.Row(r, row.data());
    for (size_t c = 0; c < row.size(); ++c) {
      const auto v = static_cast<unsigned>(std::lround((row[c] - kOffset) / kScale));
      bytes[2 * c] = static_cast<unsigned char>(v >> 8);
      bytes[2 * c + 1] = static_cast<unsigned char>(v & 0xFF);
    }
    ok = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
  }
  return std::fclose(out) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs("usage: orthelev_compare_data FOLDER [SENTENCES [POINTS]]\n", stderr);
    return 2;
  }
  const std::string folder = std::string(argv[1]) + "/";
  const int sentences = argc >= 3 ? std::atoi(argv[2]) : 500000;
  const int points = argc >= 4 ? std::atoi(argv[3]) : 0;
  const GridSpec geometry = DefaultGridSpec(kSectionEgm25);
  const std::string track = bench::GgaTrack(sentences);
  const bool ok =
      WriteText(folder + "track.nmea", track) &&
      WriteText(folder + "points.txt", PointsOf(track)) &&
      WriteText(folder + "track.gpx", std::string(bench::kGpxHead) +
                                          bench::GpxTrackPoints(sentences) + bench::kGpxTail) &&
      WriteText(folder + "track.pos", bench::RtklibTrack(sentences)) &&
      WriteText(folder + "random.txt", RandomPoints(1000000)) &&
      bench::WriteSyntheticEgm(folder + geometry.fname, geometry) &&
      WritePgm(folder + "egm2008-2_5.pgm", geometry) &&
      (points <= 0 || WriteText(folder + "heights.txt", PointsOf(bench::GgaTrack(points))));
  if (!ok) std::fputs("orthelev_compare_data: could not write the data\n", stderr);
  return ok ? 0 : 1;
}
