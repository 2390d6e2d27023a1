#include "conversion/profile_picture.hpp"

#include <algorithm>
#include <cmath>

#include "base/number_format.hpp"

namespace orthelev {

namespace {

constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kGridColour{225, 225, 225};
constexpr Rgb kWhite{255, 255, 255};
constexpr double kLeft = 64, kRight = 16, kTop = 40, kBottom = 58;
constexpr double kStripHeight = 6;

struct Series {
  const char* name;
  const char* label;
  Rgb colour;
  ValueRange ProfileBucket::*range;
};

constexpr Series kSeries[] = {
    {kReadSeries, "Height read", {40, 90, 200}, &ProfileBucket::read},
    {kWrittenSeries, "Height written", {20, 150, 60}, &ProfileBucket::written},
    {kGeoidSeries, "N", {230, 130, 0}, &ProfileBucket::n},
};

// Maps records and metres to picture coordinates inside the plot area.
struct Scale {
  double left, right, top, bottom;
  double firstRecord, lastRecord, low, high;

  double X(double record) const {
    const double span = std::max(1.0, lastRecord - firstRecord);
    return left + (record - firstRecord) / span * (right - left);
  }
  double Y(double metres) const { return bottom - (metres - low) / (high - low) * (bottom - top); }
};

Scale ScaleOf(const HeightProfile& profile, int width, int height) {
  ValueRange heights = profile.Heights();
  double low = heights.Empty() ? 0 : heights.min, high = heights.Empty() ? 1 : heights.max;
  const double margin = std::max(1.0, (high - low) * 0.05);
  low -= margin;
  high += margin;
  return {kLeft, width - kRight,
          kTop,  height - kBottom - 2 * kStripHeight - 4,
          1,     static_cast<double>(std::max(1, profile.Records())),
          low,   high};
}

// Each bucket's range as a vertical stroke at the bucket's first record,
// joined to the next; a bucket without a value breaks the line.
void AddSeries(Picture& picture, const HeightProfile& profile, const Series& series,
               const Scale& scale) {
  PictureLine line{{}, series.colour, 1.5, series.name};
  auto flush = [&] {
    if (line.points.size() == 1) line.points.push_back(line.points.front());
    if (!line.points.empty()) picture.lines.push_back(line);
    line.points.clear();
  };
  for (const ProfileBucket& bucket : profile.Buckets()) {
    const ValueRange& range = bucket.*series.range;
    if (range.Empty()) {
      flush();
      continue;
    }
    const double x = scale.X(bucket.firstRecord);
    line.points.push_back({x, scale.Y(range.min)});
    if (range.max != range.min) line.points.push_back({x, scale.Y(range.max)});
  }
  flush();
}

void AddAxes(Picture& picture, const Scale& scale) {
  picture.rects.push_back(OutlinedRect(scale.left, scale.top, scale.right - scale.left,
                                       scale.bottom - scale.top, kWhite, kBlack));
  const std::vector<double> metres = RoundTicks(scale.low, scale.high, 7);
  const double metreStep = metres.size() > 1 ? metres[1] - metres[0] : 1;
  for (const double m : metres) {
    const double y = scale.Y(m);
    picture.lines.push_back({{{scale.left, y}, {scale.right, y}}, kGridColour, 1, "grid"});
    picture.texts.push_back(Label(scale.left - 4, y + 4, TickText(m, metreStep), TextAnchor::End));
  }
  const std::vector<double> records = RoundTicks(scale.firstRecord, scale.lastRecord, 8);
  for (const double r : records) {
    if (r != std::floor(r)) continue;
    const double x = scale.X(r);
    picture.lines.push_back({{{x, scale.bottom}, {x, scale.bottom + 4}}, kBlack, 1, "axis"});
    picture.texts.push_back(
        Label(x, scale.bottom + 15, FormatInt(static_cast<std::int64_t>(r)), TextAnchor::Middle));
  }
  picture.texts.push_back(Label(14, scale.top - 8, "m", TextAnchor::Start));
  picture.texts.push_back(Label(scale.right, scale.bottom + 30, "Record", TextAnchor::End));
}

// Under the axis: one strip for outside records, one for uncorrected ones.
void AddMarks(Picture& picture, const HeightProfile& profile, const Scale& scale) {
  const double outsideY = picture.height - kBottom + 32;
  const double uncorrectedY = outsideY + kStripHeight + 2;
  for (const ProfileBucket& bucket : profile.Buckets()) {
    const double x = scale.X(bucket.firstRecord);
    const double width = std::max(1.0, scale.X(bucket.firstRecord + bucket.records) - x);
    if (bucket.outside > 0)
      picture.rects.push_back(FilledRect(x, outsideY, width, kStripHeight, kOutsideColour));
    if (bucket.uncorrected > 0)
      picture.rects.push_back(FilledRect(x, uncorrectedY, width, kStripHeight, kUncorrectedColour));
  }
}

void AddLegend(Picture& picture) {
  double x = kLeft;
  const double y = kTop - 12;
  auto entry = [&](Rgb colour, const char* label, double width) {
    picture.rects.push_back(FilledRect(x, y - 8, 14, 8, colour));
    picture.texts.push_back(Label(x + 18, y, label, TextAnchor::Start));
    x += width;
  };
  for (const Series& series : kSeries) entry(series.colour, series.label, 112);
  entry(kOutsideColour, "Outside the model", 128);
  entry(kUncorrectedColour, "Uncorrected", 100);
}

}  // namespace

Picture ProfilePicture(const FileProfile& file, int width, int height) {
  Picture picture;
  picture.width = width;
  picture.height = height;
  picture.title = "Height profile: " + file.name;
  const Scale scale = ScaleOf(file.profile, width, height);
  AddAxes(picture, scale);
  for (const Series& series : kSeries) AddSeries(picture, file.profile, series, scale);
  AddMarks(picture, file.profile, scale);
  AddLegend(picture);
  picture.texts.push_back({kLeft, 16, picture.title, TextAnchor::Start, {}, true});
  return picture;
}

Picture ProfilePictureAt(long long index) {
  const auto& files = TheProfiles().files;
  if (index < 0 || index >= static_cast<long long>(files.size())) return {};
  return ProfilePicture(files[static_cast<std::size_t>(index)]);
}

}  // namespace orthelev
