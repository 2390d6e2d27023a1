#pragma once
// A streaming scan of a GPX file that finds its waypoints, route points and
// track points (wpt, rtept, trkpt) and rewrites the numbers of their <ele>
// and <geoidheight> while every other byte passes unchanged. No tree of the
// file is built: the scan holds the current tag, the names of the open
// elements and the bytes of the current point, so its memory is bounded by
// the limits below whatever the file's size. UTF-8 files (with or without
// BOM) and UTF-16 LE/BE files (with BOM, or starting with "<") are read;
// rewritten numbers are written in the file's own encoding.
//
// What counts as a point's <ele>/<geoidheight>: a direct child of a
// wpt/rtept/trkpt element with the same namespace prefix as the point (so
// <gpx:trkpt><gpx:ele> and <trkpt><ele> alike); points and numbers inside
// <extensions> are not looked at.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace orthelev {

// What the scan found in one point that has an <ele>.
struct GpxPoint {
  double latitude = 0, longitude = 0;  // degrees; NaN when missing or not a number
  double ele = 0;                      // metres; NaN when its text is no plain number
  bool hasGeoidHeight = false;
  double geoidHeight = 0;  // metres; NaN when its text is no plain number
};

// New number texts (ASCII) for a point; an empty text leaves that number.
struct GpxPointEdit {
  std::string ele, geoidHeight;
};

// Receives what the scan finds and the bytes it writes.
class GpxScanHandler {
 public:
  virtual ~GpxScanHandler() = default;
  // The <gpx> root's creator attribute ("" without one); false stops the scan.
  virtual bool OnRoot(std::string_view creator) = 0;
  // Each point with an <ele>, before any of its bytes is written; false
  // stops the scan before the point.
  virtual bool OnPoint(const GpxPoint& point, GpxPointEdit& edit) = 0;
  // The next output bytes; false when they could not be written.
  virtual bool Write(std::string_view bytes) = 0;
};

enum class GpxScanEnd {
  Running,      // more input may come
  Finished,     // the whole file was written
  Stopped,      // a handler call returned false
  WriteFailed,  // Write returned false
  NoRoot,       // the first element is not <gpx> (or there is none), or text stands before it
  Malformed,    // an end tag that closes no open element, a second root
  CutShort,     // the file ends inside markup or before the root is closed
  TooLarge,     // a tag, a point or the nesting beyond the limits
};

class GpxScanner {
 public:
  static constexpr std::size_t kMaxTagCharacters = std::size_t{64} << 10;
  static constexpr std::size_t kMaxPointBytes = std::size_t{1} << 20;
  static constexpr std::size_t kMaxDepth = 256;

  explicit GpxScanner(GpxScanHandler& handler) : handler_(handler) {}

  // Scans the next bytes of the file; the bytes before the current point
  // (or tag) are written. Running while the scan goes on.
  GpxScanEnd Feed(std::string_view bytes);
  // The end of the file: writes the rest and tells how the scan ended.
  GpxScanEnd Finish();

 private:
  enum class Encoding { Unknown, Utf8, Utf16Le, Utf16Be };
  enum class Mode { Text, Markup, Tag, Comment, Cdata, Pi, Declaration };

  // One <ele> or <geoidheight> of the current point.
  struct NumberText {
    bool found = false, readable = false;
    std::size_t start = 0, end = 0;  // the number's bytes in raw_, blanks around excluded
    std::string text;                // ASCII characters between the tags, as read so far
    double value = 0;
  };

  void DetectEncoding();
  char32_t UnitAt(std::size_t at) const;
  bool Have(std::size_t units) const { return scan_ + units * unitBytes_ <= raw_.size(); }
  void Scan(bool atEnd);
  void ScanText();
  bool ClassifyMarkup(bool atEnd);
  void ScanTag(char32_t c);
  bool TakeTagRun();
  bool EndsWith(char32_t c, char first, char second);
  void CompleteMarkup();
  void CompleteTag();
  void OpenElement(const std::string& name, bool selfClosing);
  void CloseElement(const std::string& name);
  void StartPoint(const std::string& prefix);
  void EndPoint();
  void StartNumber(NumberText& number, bool selfClosing);
  void FinishNumber(NumberText& number);
  bool WriteRaw(std::size_t to);
  bool WriteEncoded(std::string_view ascii);
  void FlushAndCompact();

  GpxScanHandler& handler_;
  GpxScanEnd end_ = GpxScanEnd::Running;
  Encoding encoding_ = Encoding::Unknown;
  std::size_t unitBytes_ = 1;

  std::string raw_;          // input bytes from the first one not yet written
  std::size_t written_ = 0;  // raw_ offset up to which the bytes are written
  std::size_t scan_ = 0;     // raw_ offset of the next unit to scan

  Mode mode_ = Mode::Text;
  std::size_t markStart_ = 0;  // raw_ offset of the current markup's "<"
  std::string tag_;            // the current tag after "<", ASCII (others as 0x80)
  char32_t quote_ = 0;
  char32_t previous_[2] = {0, 0};  // the last two units of a comment, CDATA, PI
  int brackets_ = 0;               // "[" depth in a declaration

  std::vector<std::string> open_;  // names of the open elements, outermost first
  bool rootSeen_ = false, rootClosed_ = false;
  std::size_t extensionsDepth_ = 0;  // depth of the open <extensions> outside points; 0: none

  bool inPoint_ = false;
  std::size_t pointDepth_ = 0;  // depth of the point element (open_.size() inside it)
  std::size_t pointStart_ = 0;  // raw_ offset of the point's "<"
  std::string pointPrefix_;
  double latitude_ = 0, longitude_ = 0;
  NumberText ele_, geoid_;
  NumberText* collecting_ = nullptr;    // the number whose text is being read
  NumberText* pendingClose_ = nullptr;  // its text ended; its end tag should follow
};

}  // namespace orthelev
