#pragma once
// The picture of a file's height profile: the height read, the height
// written and N in metres along the records, with axes, a legend, and under
// the chart a strip marking the buckets with records outside the model or
// left uncorrected.

#include "conversion/height_profile.hpp"
#include "services/picture.hpp"

namespace orthelev {

// The names of the series' lines in the picture.
inline constexpr const char* kReadSeries = "read";
inline constexpr const char* kWrittenSeries = "written";
inline constexpr const char* kGeoidSeries = "n";
// The names of the mark strips' rectangles are not kept: their colours are these.
inline constexpr Rgb kOutsideColour{220, 40, 40};
inline constexpr Rgb kUncorrectedColour{150, 150, 150};

Picture ProfilePicture(const FileProfile& file, int width = 640, int height = 360);

// The picture of the batch's file at `index` of TheProfiles().files; an
// empty picture (width 0) when there is none there.
Picture ProfilePictureAt(long long index);

}  // namespace orthelev
