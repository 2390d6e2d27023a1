#include "conversion/gpx_scan.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "base/number_format.hpp"

namespace orthelev {

namespace {

constexpr std::size_t kMaxNumberCharacters = 64;
constexpr char kNonAscii = '\x80';

bool IsXmlSpace(char32_t c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

char AsciiOf(char32_t c) { return c < 0x80 ? static_cast<char>(c) : kNonAscii; }

std::string_view PrefixOf(std::string_view name) {
  const std::size_t colon = name.find(':');
  return colon == std::string_view::npos ? std::string_view() : name.substr(0, colon);
}

std::string_view LocalNameOf(std::string_view name) {
  const std::size_t colon = name.find(':');
  return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

bool IsPointName(std::string_view local) {
  return local == "wpt" || local == "rtept" || local == "trkpt";
}

// The element name at the start of a tag's text (after "<" or "</").
std::string NameOf(std::string_view tag) {
  std::size_t end = 0;
  while (end < tag.size() && !IsXmlSpace(static_cast<unsigned char>(tag[end])) && tag[end] != '/')
    ++end;
  return std::string(tag.substr(0, end));
}

// The value of the unprefixed attribute `wanted` in a start tag's text, or
// nullptr-like empty view with found = false.
bool AttributeOf(std::string_view tag, std::string_view wanted, std::string_view& value) {
  std::size_t at = NameOf(tag).size();
  const auto skipSpace = [&] {
    while (at < tag.size() && IsXmlSpace(static_cast<unsigned char>(tag[at]))) ++at;
  };
  while (at < tag.size()) {
    skipSpace();
    const std::size_t nameStart = at;
    while (at < tag.size() && tag[at] != '=' && !IsXmlSpace(static_cast<unsigned char>(tag[at])))
      ++at;
    const std::string_view name = tag.substr(nameStart, at - nameStart);
    skipSpace();
    if (at >= tag.size() || tag[at] != '=') return false;
    ++at;
    skipSpace();
    if (at >= tag.size() || (tag[at] != '"' && tag[at] != '\'')) return false;
    const std::size_t close = tag.find(tag[at], at + 1);
    if (close == std::string_view::npos) return false;
    if (name == wanted) {
      value = tag.substr(at + 1, close - at - 1);
      return true;
    }
    at = close + 1;
  }
  return false;
}

double NumberAttribute(std::string_view tag, std::string_view name) {
  std::string_view text;
  double value = 0;
  if (AttributeOf(tag, name, text) && ParseReal(TrimControlAndBlanks(text), value)) return value;
  return std::numeric_limits<double>::quiet_NaN();
}

}  // namespace

GpxScanEnd GpxScanner::Feed(std::string_view bytes) {
  if (end_ != GpxScanEnd::Running) return end_;
  raw_.append(bytes);
  if (encoding_ == Encoding::Unknown) {
    if (raw_.size() < 4) return end_;
    DetectEncoding();
  }
  Scan(false);
  if (end_ == GpxScanEnd::Running) FlushAndCompact();
  if (end_ == GpxScanEnd::Running && inPoint_ && raw_.size() - pointStart_ > kMaxPointBytes)
    end_ = GpxScanEnd::TooLarge;
  return end_;
}

GpxScanEnd GpxScanner::Finish() {
  if (end_ != GpxScanEnd::Running) return end_;
  if (encoding_ == Encoding::Unknown) DetectEncoding();
  Scan(true);
  if (end_ != GpxScanEnd::Running) return end_;
  if (!rootSeen_) return end_ = GpxScanEnd::NoRoot;
  if (mode_ != Mode::Text || !open_.empty() || scan_ != raw_.size())
    return end_ = GpxScanEnd::CutShort;
  if (!WriteRaw(raw_.size())) return end_;
  return end_ = GpxScanEnd::Finished;
}

void GpxScanner::DetectEncoding() {
  const auto byte = [&](std::size_t i) {
    return i < raw_.size() ? static_cast<unsigned char>(raw_[i]) : 0x100;
  };
  encoding_ = Encoding::Utf8;
  if (byte(0) == 0xEF && byte(1) == 0xBB && byte(2) == 0xBF) {
    scan_ = 3;
  } else if ((byte(0) == 0xFF && byte(1) == 0xFE) || (byte(0) == '<' && byte(1) == 0)) {
    encoding_ = Encoding::Utf16Le;
    scan_ = byte(0) == 0xFF ? 2 : 0;
  } else if ((byte(0) == 0xFE && byte(1) == 0xFF) || (byte(0) == 0 && byte(1) == '<')) {
    encoding_ = Encoding::Utf16Be;
    scan_ = byte(0) == 0xFE ? 2 : 0;
  }
  unitBytes_ = encoding_ == Encoding::Utf8 ? 1 : 2;
}

char32_t GpxScanner::UnitAt(std::size_t at) const {
  const auto byte = [&](std::size_t i) {
    return static_cast<char32_t>(static_cast<unsigned char>(raw_[i]));
  };
  switch (encoding_) {
    case Encoding::Utf16Le:
      return byte(at) | byte(at + 1) << 8;
    case Encoding::Utf16Be:
      return byte(at) << 8 | byte(at + 1);
    default:
      return byte(at);
  }
}

void GpxScanner::Scan(bool atEnd) {
  while (end_ == GpxScanEnd::Running && Have(1)) {
    switch (mode_) {
      case Mode::Text:
        ScanText();
        break;
      case Mode::Markup:
        if (!ClassifyMarkup(atEnd)) return;
        break;
      case Mode::Tag:
        if (unitBytes_ == 1 && TakeTagRun()) break;
        ScanTag(UnitAt(scan_));
        scan_ += unitBytes_;
        break;
      case Mode::Comment:
      case Mode::Cdata:
      case Mode::Pi: {
        const char32_t c = UnitAt(scan_);
        scan_ += unitBytes_;
        const bool ends = mode_ == Mode::Comment ? EndsWith(c, '-', '-')
                          : mode_ == Mode::Cdata ? EndsWith(c, ']', ']')
                                                 : EndsWith(c, 0, '?');
        if (ends) CompleteMarkup();
        break;
      }
      case Mode::Declaration: {
        const char32_t c = UnitAt(scan_);
        scan_ += unitBytes_;
        if (quote_ != 0) {
          if (c == quote_) quote_ = 0;
        } else if (c == '"' || c == '\'') {
          quote_ = c;
        } else if (c == '[') {
          ++brackets_;
        } else if (c == ']') {
          --brackets_;
        } else if (c == '>' && brackets_ <= 0) {
          CompleteMarkup();
        }
        break;
      }
    }
  }
}

// Text up to the next "<": only the text of a point's number is kept.
// Before the root only blanks may stand between markup: anything else shows
// at once that this is no GPX file, however long it is.
void GpxScanner::ScanText() {
  if (!rootSeen_) {
    const char32_t c = UnitAt(scan_);
    if (c != '<' && !IsXmlSpace(c)) {
      end_ = GpxScanEnd::NoRoot;
      return;
    }
  }
  if (!collecting_ && unitBytes_ == 1 && rootSeen_) {
    const void* lt = std::memchr(raw_.data() + scan_, '<', raw_.size() - scan_);
    if (!lt) {
      scan_ = raw_.size();
      return;
    }
    scan_ = static_cast<std::size_t>(static_cast<const char*>(lt) - raw_.data());
  }
  const char32_t c = UnitAt(scan_);
  if (c == '<') {
    markStart_ = scan_;
    if (collecting_) {
      collecting_->end = scan_;
      pendingClose_ = collecting_;
      collecting_ = nullptr;
    }
    mode_ = Mode::Markup;
  } else if (collecting_) {
    if (c >= 0x80 || collecting_->text.size() >= kMaxNumberCharacters)
      collecting_->readable = false;
    else
      collecting_->text.push_back(static_cast<char>(c));
  }
  scan_ += unitBytes_;
}

// After "<": decides the kind of markup from the next characters. False
// when more input is needed to tell.
bool GpxScanner::ClassifyMarkup(bool atEnd) {
  const auto matches = [&](std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i)
      if (!Have(i + 1) || UnitAt(scan_ + i * unitBytes_) != static_cast<char32_t>(text[i]))
        return false;
    return true;
  };
  const auto enter = [&](Mode mode, std::size_t skip) {
    mode_ = mode;
    scan_ += skip * unitBytes_;
    previous_[0] = previous_[1] = 0;
    quote_ = 0;
    brackets_ = 0;
    tag_.clear();
  };
  const char32_t c = UnitAt(scan_);
  if (c == '?') {
    enter(Mode::Pi, 1);
  } else if (c == '!') {
    if (!Have(9) && !atEnd) return false;
    if (matches("!--"))
      enter(Mode::Comment, 3);
    else if (matches("![CDATA["))
      enter(Mode::Cdata, 8);
    else
      enter(Mode::Declaration, 1);
  } else {
    enter(Mode::Tag, 0);
  }
  return true;
}

void GpxScanner::ScanTag(char32_t c) {
  if (quote_ != 0) {
    if (c == quote_) quote_ = 0;
  } else if (c == '"' || c == '\'') {
    quote_ = c;
  } else if (c == '>') {
    scan_ += unitBytes_;
    CompleteTag();
    scan_ -= unitBytes_;  // Scan steps over the ">"
    return;
  }
  tag_.push_back(AsciiOf(c));
  if (tag_.size() > kMaxTagCharacters) end_ = GpxScanEnd::TooLarge;
}

// UTF-8: the bytes before the next one that decides anything (the closing
// quote, or outside quotes a quote or ">") join the tag at once, as
// ScanTag would add them one by one. False when there are none.
bool GpxScanner::TakeTagRun() {
  const std::size_t limit = std::min(raw_.size(), scan_ + kMaxTagCharacters + 1 - tag_.size());
  const auto decides = [this](char c) {
    return quote_ != 0 ? static_cast<char32_t>(static_cast<unsigned char>(c)) == quote_
                       : c == '"' || c == '\'' || c == '>';
  };
  std::size_t end = scan_;
  while (end < limit && !decides(raw_[end])) ++end;
  if (end == scan_) return false;
  const std::size_t from = tag_.size();
  tag_.append(raw_, scan_, end - scan_);
  for (std::size_t at = from; at < tag_.size(); ++at)
    if (static_cast<unsigned char>(tag_[at]) >= 0x80) tag_[at] = kNonAscii;
  scan_ = end;
  if (tag_.size() > kMaxTagCharacters) end_ = GpxScanEnd::TooLarge;
  return true;
}

// True when `c` is ">" after `first` (0: any) and `second`.
bool GpxScanner::EndsWith(char32_t c, char first, char second) {
  const bool ends = c == '>' && previous_[1] == static_cast<char32_t>(second) &&
                    (first == 0 || previous_[0] == static_cast<char32_t>(first));
  previous_[0] = previous_[1];
  previous_[1] = c;
  return ends;
}

// A comment, CDATA section, processing instruction or declaration ended. In
// a number's text it makes the number unreadable: the point keeps its bytes.
void GpxScanner::CompleteMarkup() {
  mode_ = Mode::Text;
  if (collecting_) collecting_->readable = false;
  if (pendingClose_) pendingClose_->readable = false;
  collecting_ = pendingClose_ = nullptr;
}

void GpxScanner::CompleteTag() {
  mode_ = Mode::Text;
  const bool endTag = !tag_.empty() && tag_[0] == '/';
  std::string_view body(tag_);
  if (endTag) body.remove_prefix(1);
  while (!body.empty() && IsXmlSpace(static_cast<unsigned char>(body.back())))
    body.remove_suffix(1);
  const bool selfClosing = !endTag && !body.empty() && body.back() == '/';
  const std::string name = NameOf(body);
  if (name.empty()) {
    end_ = GpxScanEnd::Malformed;
    return;
  }
  if (endTag)
    CloseElement(name);
  else
    OpenElement(name, selfClosing);
}

void GpxScanner::OpenElement(const std::string& name, bool selfClosing) {
  if (pendingClose_) pendingClose_->readable = false;  // an element inside the number
  pendingClose_ = nullptr;
  const std::string_view local = LocalNameOf(name), prefix = PrefixOf(name);
  if (!rootSeen_) {
    if (local != "gpx") {
      end_ = GpxScanEnd::NoRoot;
      return;
    }
    rootSeen_ = true;
    std::string_view creator;
    AttributeOf(tag_, "creator", creator);
    if (!handler_.OnRoot(creator)) end_ = GpxScanEnd::Stopped;
  } else if (rootClosed_) {
    end_ = GpxScanEnd::Malformed;
    return;
  }
  const std::size_t parentDepth = open_.size();
  if (!selfClosing) {
    if (open_.size() >= kMaxDepth) {
      end_ = GpxScanEnd::TooLarge;
      return;
    }
    open_.push_back(name);
  }
  if (selfClosing && parentDepth == 0) rootClosed_ = true;
  if (inPoint_) {
    if (parentDepth != pointDepth_ || prefix != pointPrefix_) return;
    if (local == "ele" && !ele_.found) StartNumber(ele_, selfClosing);
    if (local == "geoidheight" && !geoid_.found) StartNumber(geoid_, selfClosing);
  } else if (extensionsDepth_ == 0 && parentDepth > 0 && !selfClosing) {
    if (local == "extensions") extensionsDepth_ = open_.size();
    if (IsPointName(local)) StartPoint(std::string(prefix));
  }
}

void GpxScanner::CloseElement(const std::string& name) {
  if (open_.empty() || open_.back() != name) {
    end_ = GpxScanEnd::Malformed;
    return;
  }
  if (pendingClose_) FinishNumber(*pendingClose_);
  pendingClose_ = collecting_ = nullptr;
  open_.pop_back();
  if (inPoint_ && open_.size() < pointDepth_) EndPoint();
  if (extensionsDepth_ > open_.size()) extensionsDepth_ = 0;
  if (open_.empty()) rootClosed_ = true;
}

void GpxScanner::StartPoint(const std::string& prefix) {
  inPoint_ = true;
  pointDepth_ = open_.size();
  pointStart_ = markStart_;
  pointPrefix_ = prefix;
  latitude_ = NumberAttribute(tag_, "lat");
  longitude_ = NumberAttribute(tag_, "lon");
  ele_ = NumberText{};
  geoid_ = NumberText{};
}

void GpxScanner::StartNumber(NumberText& number, bool selfClosing) {
  number.found = true;
  number.readable = !selfClosing;
  number.start = scan_;
  if (!selfClosing) collecting_ = &number;
}

void GpxScanner::FinishNumber(NumberText& number) {
  if (!number.readable) return;
  const std::string& text = number.text;
  std::size_t lead = 0, trail = 0;
  while (lead < text.size() && IsXmlSpace(static_cast<unsigned char>(text[lead]))) ++lead;
  while (trail < text.size() - lead &&
         IsXmlSpace(static_cast<unsigned char>(text[text.size() - 1 - trail])))
    ++trail;
  number.readable =
      ParseReal(std::string_view(text).substr(lead, text.size() - lead - trail), number.value);
  number.start += lead * unitBytes_;
  number.end -= trail * unitBytes_;
}

// At the point's end tag (scan_ just after its ">"): asks the handler and
// writes the point with its new numbers.
void GpxScanner::EndPoint() {
  inPoint_ = false;
  if (!ele_.found) return;
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  const GpxPoint point{latitude_, longitude_, ele_.readable ? ele_.value : kNaN, geoid_.found,
                       geoid_.readable ? geoid_.value : kNaN};
  GpxPointEdit edit;
  if (!handler_.OnPoint(point, edit)) {
    end_ = GpxScanEnd::Stopped;
    return;
  }
  struct Replacement {
    const NumberText* number;
    const std::string* text;
  };
  Replacement replacements[2] = {{&ele_, &edit.ele}, {&geoid_, &edit.geoidHeight}};
  if (geoid_.start < ele_.start) std::swap(replacements[0], replacements[1]);
  for (const Replacement& r : replacements) {
    if (!r.number->found || !r.number->readable || r.text->empty()) continue;
    if (!WriteRaw(r.number->start) || !WriteEncoded(*r.text)) return;
    written_ = r.number->end;
  }
  WriteRaw(scan_);
}

bool GpxScanner::WriteRaw(std::size_t to) {
  if (to <= written_) return true;
  if (!handler_.Write(std::string_view(raw_).substr(written_, to - written_))) {
    end_ = GpxScanEnd::WriteFailed;
    return false;
  }
  written_ = to;
  return true;
}

bool GpxScanner::WriteEncoded(std::string_view ascii) {
  std::string bytes;
  for (const char c : ascii) {
    if (encoding_ == Encoding::Utf16Be) bytes.push_back('\0');
    bytes.push_back(c);
    if (encoding_ == Encoding::Utf16Le) bytes.push_back('\0');
  }
  if (handler_.Write(bytes)) return true;
  end_ = GpxScanEnd::WriteFailed;
  return false;
}

// Writes every byte that no later decision needs (all before the current
// point: its numbers may change) and drops them. A tag that is still being
// read keeps its characters in tag_, so its bytes can go.
void GpxScanner::FlushAndCompact() {
  const std::size_t keep = inPoint_ ? pointStart_ : scan_;
  if (!WriteRaw(keep)) return;
  const auto shift = [keep](std::size_t& offset) { offset = offset >= keep ? offset - keep : 0; };
  for (std::size_t* offset : {&written_, &scan_, &markStart_, &pointStart_, &ele_.start, &ele_.end,
                              &geoid_.start, &geoid_.end})
    shift(*offset);
  raw_.erase(0, keep);
}

}  // namespace orthelev
