#pragma once
// A picture as a list of shapes in picture coordinates (pixels, y down),
// built once by the logic and painted as it is by each front end: Qt's
// painter, GDI on Windows, SVG text in the console. Painted in this order:
// rectangles, then lines, then texts.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace orthelev {

struct Rgb {
  std::uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Rgb&) const = default;
};

struct PicturePoint {
  double x = 0, y = 0;
};

struct PictureRect {
  double x = 0, y = 0, width = 0, height = 0;
  Rgb fill;
  bool outlined = false;  // a one-pixel outline in `outline`
  Rgb outline;
};

// An open polyline; `name` tells what it draws (a series' key, "axis",
// "grid"), for the SVG's class and the tests.
struct PictureLine {
  std::vector<PicturePoint> points;
  Rgb colour;
  double width = 1;
  std::string name;
};

enum class TextAnchor { Start, Middle, End };

// Text whose baseline starts, is centred or ends at (x, y).
struct PictureText {
  double x = 0, y = 0;
  std::string text;  // UTF-8
  TextAnchor anchor = TextAnchor::Start;
  Rgb colour;
  bool bold = false;
};

struct Picture {
  int width = 0, height = 0;
  std::string title;
  std::vector<PictureRect> rects;
  std::vector<PictureLine> lines;
  std::vector<PictureText> texts;

  // The first line named `name`; null when there is none.
  const PictureLine* LineNamed(const std::string& name) const;
};

inline PictureRect FilledRect(double x, double y, double width, double height, Rgb fill) {
  return {x, y, width, height, fill, false, {}};
}
inline PictureRect OutlinedRect(double x, double y, double width, double height, Rgb fill,
                                Rgb outline) {
  return {x, y, width, height, fill, true, outline};
}
inline PictureText Label(double x, double y, std::string text,
                         TextAnchor anchor = TextAnchor::Start) {
  return {x, y, std::move(text), anchor, {}, false};
}

// The picture's text size in pixels; every painter uses it.
inline constexpr int kPictureTextPixels = 11;

// Round tick values (1, 2 or 5 times a power of ten apart) covering
// [low, high] with at most `maxTicks` of them inside it; empty when the
// range is empty or not finite.
std::vector<double> RoundTicks(double low, double high, int maxTicks);

// The value of a tick as text: as many decimals as the step between ticks
// needs, "." as separator.
std::string TickText(double value, double step);

}  // namespace orthelev
