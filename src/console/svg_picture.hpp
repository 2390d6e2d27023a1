#pragma once
// Pictures written as SVG text, and the files of `convert --profile` and
// `models --picture`.

#include <string>

#include "conversion/height_profile.hpp"
#include "services/picture.hpp"

namespace orthelev {

// A standalone SVG 1.1 document of the picture; every line carries its name
// as class, texts are escaped.
std::string SvgOf(const Picture& picture);

// The profile's buckets as CSV: a header line, then one line per bucket
// (first and last record, records, outside, uncorrected, and the minimum
// and maximum of each series, empty where the bucket has no value).
std::string ProfileCsv(const HeightProfile& profile);

// Writes <folder>/<file name>.profile.svg and .profile.csv for every profile
// of the last batch; false, with the reason in `error`, at the first file
// that cannot be written.
bool WriteBatchProfiles(const std::string& folder, std::string& error);

}  // namespace orthelev
