#include "console/svg_picture.hpp"

#include "base/file_io.hpp"
#include "base/number_format.hpp"
#include "base/paths.hpp"
#include "conversion/profile_picture.hpp"

namespace orthelev {

namespace {

std::string Escaped(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '&':
        out += "&amp;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string Number(double value) { return FormatFixed(value, 2); }

std::string Colour(Rgb c) {
  constexpr const char* kHex = "0123456789abcdef";
  std::string text = "#";
  for (const std::uint8_t part : {c.r, c.g, c.b}) {
    text += kHex[part >> 4];
    text += kHex[part & 15];
  }
  return text;
}

void AppendRect(std::string& svg, const PictureRect& r) {
  svg += "<rect x=\"" + Number(r.x) + "\" y=\"" + Number(r.y) + "\" width=\"" + Number(r.width) +
         "\" height=\"" + Number(r.height) + "\" fill=\"" + Colour(r.fill) + "\"";
  if (r.outlined) svg += " stroke=\"" + Colour(r.outline) + "\"";
  svg += "/>\n";
}

void AppendLine(std::string& svg, const PictureLine& line) {
  svg += "<polyline class=\"" + Escaped(line.name) + "\" fill=\"none\" stroke=\"" +
         Colour(line.colour) + "\" stroke-width=\"" + Number(line.width) + "\" points=\"";
  for (std::size_t i = 0; i < line.points.size(); ++i) {
    if (i > 0) svg += ' ';
    svg += Number(line.points[i].x) + "," + Number(line.points[i].y);
  }
  svg += "\"/>\n";
}

void AppendText(std::string& svg, const PictureText& text) {
  static constexpr const char* kAnchors[] = {"start", "middle", "end"};
  svg += "<text x=\"" + Number(text.x) + "\" y=\"" + Number(text.y) + "\" text-anchor=\"" +
         kAnchors[static_cast<int>(text.anchor)] + "\" fill=\"" + Colour(text.colour) + "\"";
  if (text.bold) svg += " font-weight=\"bold\"";
  svg += ">" + Escaped(text.text) + "</text>\n";
}

// The number, or nothing for an empty range.
std::string RangeCells(const ValueRange& range) {
  if (range.Empty()) return ",";
  return FormatFixed(range.min, 3) + "," + FormatFixed(range.max, 3);
}

}  // namespace

std::string SvgOf(const Picture& picture) {
  const std::string width = FormatInt(picture.width), height = FormatInt(picture.height);
  std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"" + width +
         "\" height=\"" + height + "\" viewBox=\"0 0 " + width + " " + height +
         "\" font-family=\"sans-serif\" font-size=\"" + FormatInt(kPictureTextPixels) + "\">\n";
  svg += "<title>" + Escaped(picture.title) + "</title>\n";
  svg += "<rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n";
  for (const PictureRect& rect : picture.rects) AppendRect(svg, rect);
  for (const PictureLine& line : picture.lines) AppendLine(svg, line);
  for (const PictureText& text : picture.texts) AppendText(svg, text);
  svg += "</svg>\n";
  return svg;
}

std::string ProfileCsv(const HeightProfile& profile) {
  std::string csv =
      "first_record,last_record,records,outside,uncorrected,read_min,read_max,written_min,"
      "written_max,n_min,n_max\n";
  for (const ProfileBucket& b : profile.Buckets()) {
    csv += FormatInt(b.firstRecord) + "," + FormatInt(b.firstRecord + b.records - 1) + "," +
           FormatInt(b.records) + "," + FormatInt(b.outside) + "," + FormatInt(b.uncorrected) +
           "," + RangeCells(b.read) + "," + RangeCells(b.written) + "," + RangeCells(b.n) + "\n";
  }
  return csv;
}

bool WriteBatchProfiles(const std::string& folder, std::string& error) {
  const std::string base = WithTrailingSeparator(folder);
  for (const FileProfile& file : TheProfiles().files) {
    const std::string path = base + file.name + ".profile";
    if (!WriteFileAtomically(path + ".svg", SvgOf(ProfilePicture(file)), error) ||
        !WriteFileAtomically(path + ".csv", ProfileCsv(file.profile), error))
      return false;
  }
  return true;
}

}  // namespace orthelev
