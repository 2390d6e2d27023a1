#pragma once
// What the heights of a log are measured from, the evidence that says so,
// and the report texts that tell it (docs/height-reference.md). No height is
// corrected on a guess: what no evidence decides is refused or left as it is.

#include <cstdint>
#include <string>
#include <string_view>

namespace orthelev {

enum class HeightBasis { Unknown, Ellipsoidal, SeaLevel };

struct HeightEvidence {
  HeightBasis basis = HeightBasis::Unknown;
  std::string source;  // what says so: "creator OpenTracks", "RTKLIB header"
};

// The user's statement for the batch (the HeightReference setting, or the
// console's --height-reference): Ellipsoidal "stated by the user", or Unknown
// when the user leaves it to the files.
HeightEvidence StatedByUser();

// A statement about heights in a text of the file (a GPX <desc>): Ellipsoidal
// when it names the ellipsoid ("ellipsoidal", "HAE"), SeaLevel when it names
// sea level ("above sea level", "MSL", "orthometric"); Unknown when it names
// neither, or both.
HeightBasis StatementInText(std::string_view text);

// "    Heights read as ellipsoidal (<source>)".
std::string EllipsoidalReading(std::string_view source);

// The refusal of a file whose heights no evidence decides: "  Height
// reference unknown : " + file name as status text and report line, then
// "    " + `missing` + " " + how the user can decide; returns -2.
std::int32_t RefuseUnknownReference(const std::string& fileName, const std::string& missing);

// How the user states the reference, for the report's hints.
inline constexpr std::string_view kStateEllipsoidalHint =
    "state the heights ellipsoidal (HeightReference=ellipsoidal in the settings file, "
    "orthelev-cli --height-reference ellipsoidal)";

}  // namespace orthelev
