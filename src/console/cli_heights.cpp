#include "console/cli_heights.hpp"

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <utility>

#include "base/ascii_text.hpp"
#include "base/number_format.hpp"
#include "geoid/active_grid.hpp"
#include "geoid/interpolation.hpp"
#include "models/geoid_check.hpp"
#include "models/model_selection.hpp"
#include "platform/platform.hpp"

namespace orthelev {

namespace {

constexpr int kExitOk = 0, kExitFailed = 1, kExitUsage = 2;

// Input is read and output written in blocks of this size; a line longer
// than kMaxLineBytes is no point and is passed through in pieces.
constexpr size_t kBlockBytes = size_t{256} * 1024;
constexpr size_t kMaxLineBytes = size_t{64} * 1024;
constexpr size_t kMaxFields = 3;

bool IsHemisphereLetter(char c) {
  switch (c) {
    case 'N':
    case 'S':
    case 'E':
    case 'W':
    case 'n':
    case 's':
    case 'e':
    case 'w':
      return true;
    default:
      return false;
  }
}

bool HasHemisphereLetter(std::string_view text) {
  for (char c : text)
    if (IsHemisphereLetter(c)) return true;
  return false;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Fields between commas, trimmed; false for an empty field or too many.
bool SplitAtCommas(std::string_view line, std::string_view (&fields)[kMaxFields], size_t& count) {
  count = 0;
  for (;;) {
    const size_t comma = line.find(',');
    const std::string_view field = TrimControlAndBlanks(line.substr(0, comma));
    if (field.empty() || count == kMaxFields) return false;
    fields[count++] = field;
    if (comma == std::string_view::npos) return true;
    line.remove_prefix(comma + 1);
  }
}

// Fields between runs of blanks and tabs; a lone hemisphere letter joins
// the number before it when that has no letter yet, else the one after it.
bool SplitAtBlanks(std::string_view line, std::string_view (&fields)[kMaxFields], size_t& count) {
  count = 0;
  bool joinNext = false;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && IsBlank(line[i])) ++i;
    const size_t start = i;
    while (i < line.size() && !IsBlank(line[i])) ++i;
    if (start == i) break;
    const std::string_view token = line.substr(start, i - start);
    const bool letter = token.size() == 1 && IsHemisphereLetter(token[0]);
    std::string_view* previous = count > 0 ? &fields[count - 1] : nullptr;
    if (joinNext || (letter && previous && !HasHemisphereLetter(*previous))) {
      *previous = std::string_view(previous->data(), line.data() + i - previous->data());
      joinNext = false;
      continue;
    }
    if (count == kMaxFields) return false;
    fields[count++] = token;
    joinNext = letter;
  }
  return !joinNext;
}

// Every field of a line into `fields` (its room kept from line to line),
// between commas when the line has one, else between runs of blanks and
// tabs; trimmed.
void SplitAllFields(std::string_view line, std::vector<std::string_view>& fields) {
  fields.clear();
  const bool commas = line.find(',') != std::string_view::npos;
  size_t i = 0;
  while (i <= line.size()) {
    while (!commas && i < line.size() && IsBlank(line[i])) ++i;
    size_t end = i;
    while (end < line.size() && (commas ? line[end] != ',' : !IsBlank(line[end]))) ++end;
    if (!commas && end == i) break;
    fields.push_back(TrimControlAndBlanks(line.substr(i, end - i)));
    i = end + 1;
  }
}

std::vector<std::string_view> AllFields(std::string_view line) {
  std::vector<std::string_view> fields;
  SplitAllFields(line, fields);
  return fields;
}

// A header name as written: without blanks or quotes around it.
std::string_view BareName(std::string_view field) {
  field = TrimControlAndBlanks(field);
  if (field.size() >= 2 && (field.front() == '"' || field.front() == '\'') &&
      field.back() == field.front())
    field = field.substr(1, field.size() - 2);
  return field;
}

// The point in the chosen columns (counted from 1) of a line, split into
// `fields`; false when it is no point.
bool ParseColumnsLine(std::string_view line, const std::array<std::int32_t, 3>& columns,
                      std::vector<std::string_view>& fields, PointLine& point) {
  SplitAllFields(line, fields);
  const auto field = [&fields](std::int32_t column) {
    return column > 0 && static_cast<size_t>(column) <= fields.size()
               ? fields[static_cast<size_t>(column - 1)]
               : std::string_view();
  };
  point.separator = line.find(',') != std::string_view::npos ? "," : " ";
  point.latitude = ParseCoordinate(field(columns[0]));
  point.longitude = ParseCoordinate(field(columns[1]));
  point.hasHeight = columns[2] != 0;
  if (!(std::fabs(point.latitude) <= 90) || std::isnan(point.longitude)) return false;
  return !point.hasHeight || ParseReal(field(columns[2]), point.height);
}

// How a piece of input ends: at a line end (LF, CR or CR LF, written back as
// it was), at the end of the input, or inside an overlong line.
enum class Ending { Lf, Cr, CrLf, EndOfInput, Continues };

std::string_view LineEndText(Ending ending) {
  switch (ending) {
    case Ending::Lf:
      return "\n";
    case Ending::Cr:
      return "\r";
    case Ending::CrLf:
      return "\r\n";
    default:
      return {};
  }
}

// The first CR or LF of the `count` bytes at `bytes`; nullptr when none.
const char* FirstLineEnd(const char* bytes, size_t count) {
  const char* lf = static_cast<const char*>(std::memchr(bytes, '\n', count));
  const char* cr = static_cast<const char*>(
      std::memchr(bytes, '\r', lf != nullptr ? static_cast<size_t>(lf - bytes) : count));
  return cr != nullptr ? cr : lf;
}

// Reads at most `most` bytes into `to`: the count, 0 at the end, -1 on failure.
using ReadFunction = std::int64_t (*)(void* source, char* to, size_t most);

// A named file, read in large blocks.
std::int64_t ReadFromFile(void* fd, char* to, size_t most) {
  return platform::ReadSome(*static_cast<int*>(fd), to, most);
}

// Standard input in large blocks, or from a terminal a line at a time as it
// is typed.
std::int64_t ReadFromStdin(void* interactive, char* to, size_t most) {
  if (!*static_cast<bool*>(interactive)) {
    const size_t n = std::fread(to, 1, most, stdin);
    return n == 0 && std::ferror(stdin) ? -1 : static_cast<std::int64_t>(n);
  }
  size_t n = 0;
  int c = 0;
  while (n < most && (c = std::getc(stdin)) != EOF) {
    to[n++] = static_cast<char>(c);
    if (c == '\n') break;
  }
  return n == 0 && std::ferror(stdin) ? -1 : static_cast<std::int64_t>(n);
}

// Lines of an input, read in large blocks (from a terminal, as it delivers them).
class LineSource {
 public:
  LineSource(ReadFunction read, void* source)
      : read_(read), source_(source), buffer_(kBlockBytes + kMaxLineBytes) {}

  // The next piece of input up to its line end (without it): a whole line,
  // or the next part of a line longer than kMaxLineBytes (Continues until
  // its last part). False after the end of the input or a read error.
  bool Next(std::string_view& piece, Ending& ending) {
    for (;;) {
      const char* start = buffer_.data() + begin_;
      const size_t available = end_ - begin_;
      const char* lineEnd = FirstLineEnd(start, available);
      const size_t length = lineEnd != nullptr ? static_cast<size_t>(lineEnd - start) : 0;
      // A CR as the last byte read: whether LF follows is not known yet
      // (unless nothing more can be read into the buffer).
      const bool crLast = lineEnd != nullptr && *lineEnd == '\r' && length + 1 == available;
      if (lineEnd != nullptr && (!crLast || eof_ || available == buffer_.size())) {
        piece = std::string_view(start, length);
        ending = *lineEnd == '\n'                               ? Ending::Lf
                 : length + 1 < available && lineEnd[1] == '\n' ? Ending::CrLf
                                                                : Ending::Cr;
        begin_ += length + LineEndText(ending).size();
        return true;
      }
      if (lineEnd == nullptr && (available >= kMaxLineBytes || (eof_ && available > 0))) {
        piece = std::string_view(start, available);
        ending = eof_ ? Ending::EndOfInput : Ending::Continues;
        begin_ = end_;
        return true;
      }
      if (eof_) return false;
      Fill();
    }
  }
  bool Failed() const { return failed_; }
  int Error() const { return error_; }

 private:
  void Fill() {
    if (begin_ > 0) {
      std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
      end_ -= begin_;
      begin_ = 0;
    }
    const std::int64_t n = read_(source_, buffer_.data() + end_, buffer_.size() - end_);
    if (n > 0) {
      end_ += static_cast<size_t>(n);
      return;
    }
    if (n < 0) {
      failed_ = true;
      error_ = errno;
    }
    eof_ = true;
  }

  ReadFunction read_;
  void* source_;
  std::vector<char> buffer_;
  size_t begin_ = 0, end_ = 0;
  bool eof_ = false, failed_ = false;
  int error_ = 0;
};

class HeightsRun {
 public:
  HeightsRun(std::FILE* out, std::FILE* err, std::string inputName, bool interactive,
             const HeightsOptions& options)
      : out_(out),
        err_(err),
        inputName_(std::move(inputName)),
        interactive_(interactive),
        options_(options),
        columns_(options.columns),
        headerPending_(options.header) {
    output_.reserve(kBlockBytes + kMaxLineBytes + 256);
  }

  // Copies or answers every line of `input`; false when the output failed.
  bool Run(LineSource& input) {
    std::string_view piece;
    Ending ending = Ending::Lf;
    bool insideLongLine = false;
    while (input.Next(piece, ending)) {
      if (insideLongLine) {
        output_.append(piece);
      } else {
        ++lineNumber_;
        if (ending == Ending::Continues || piece.size() > kMaxLineBytes) {
          Complain("longer than " + FormatInt(kMaxLineBytes) + " bytes, no point");
          output_.append(piece);
        } else if (headerPending_ && !IsCommentOrBlank(piece)) {
          headerPending_ = false;
          if (!AnswerHeader(piece)) return false;
        } else {
          AnswerLine(piece);
        }
      }
      insideLongLine = ending == Ending::Continues;
      output_ += LineEndText(ending);
      if (!Emit()) return false;
    }
    return Flush();
  }

  bool Clean() const { return clean_; }
  bool UsageError() const { return usageError_; }

 private:
  // Copies the header line with the names of the added columns; finds the
  // named columns in it. False when a name is not there.
  bool AnswerHeader(std::string_view line) {
    const std::string_view trimmed = TrimControlAndBlanks(line);
    const std::vector<std::string_view> names = AllFields(trimmed);
    for (size_t k = 0; k < columns_.size(); ++k) {
      const std::string& wanted = options_.columnNames[k];
      if (wanted.empty()) continue;
      for (size_t i = 0; i < names.size() && columns_[k] == 0; ++i)
        if (EqualIgnoringAsciiCase(BareName(names[i]), wanted))
          columns_[k] = static_cast<std::int32_t>(i + 1);
      if (columns_[k] != 0) continue;
      std::fputs(("orthelev-cli: heights: " + inputName_ + ": the header has no column \"" +
                  wanted + "\"\n")
                     .c_str(),
                 err_);
      usageError_ = true;
      return false;
    }
    const bool withHeight = options_.ColumnsChosen() ? columns_[2] != 0 : names.size() > 2;
    const std::string separator = trimmed.find(',') != std::string_view::npos ? "," : " ";
    output_.append(
        line.substr(0, static_cast<size_t>(trimmed.data() + trimmed.size() - line.data())));
    output_ += separator + "N";
    if (withHeight) output_ += separator + (options_.inverse ? "H+N" : "H-N");
    return true;
  }

  bool ParsePoint(std::string_view line, PointLine& point) {
    return options_.ColumnsChosen() ? ParseColumnsLine(line, columns_, fields_, point)
                                    : ParsePointLine(line, point, options_.lonFirst);
  }

  static bool IsCommentOrBlank(std::string_view line) {
    const std::string_view trimmed = TrimControlAndBlanks(line);
    return trimmed.empty() || trimmed.front() == '#';
  }

  // What a point line must hold, for the complaint about one that does not.
  std::string PointForm() const {
    if (options_.ColumnsChosen()) {
      std::string chosen = FormatInt(columns_[0]) + "," + FormatInt(columns_[1]);
      if (columns_[2] != 0) chosen += "," + FormatInt(columns_[2]);
      return "LAT,LON" + std::string(columns_[2] != 0 ? ",H" : "") + " in columns " + chosen +
             ", LAT from -90 to 90";
    }
    return options_.lonFirst ? "LON LAT or LON LAT H, LAT from -90 to 90"
                             : "LAT LON or LAT LON H, LAT from -90 to 90";
  }

  void AnswerLine(std::string_view line) {
    const std::string_view trimmed = TrimControlAndBlanks(line);
    PointLine point;
    if (IsCommentOrBlank(line)) {
      output_.append(line);
      return;
    }
    if (!ParsePoint(trimmed, point)) {
      Complain("not a point (" + PointForm() + "): " + std::string(trimmed));
      output_.append(line);
      return;
    }
    const double n = InterpolateGeoid(windowSize_, point.latitude, point.longitude);
    if (std::isnan(n)) clean_ = false;
    output_.append(
        line.substr(0, static_cast<size_t>(trimmed.data() + trimmed.size() - line.data())));
    AppendHeight(point.separator, n);
    if (point.hasHeight)
      AppendHeight(point.separator, options_.inverse ? point.height + n : point.height - n);
  }

  void AppendHeight(std::string_view separator, double metres) {
    output_ += separator;
    if (std::isnan(metres))
      output_ += "nan";
    else if (options_.decimals > 0)
      AppendFixed(output_, metres, options_.decimals);
    else
      AppendCheckHeight(output_, metres);
  }

  void Complain(const std::string& problem) {
    clean_ = false;
    std::fputs(("orthelev-cli: heights: " + inputName_ + ":" + FormatInt(lineNumber_) + ": " +
                problem + "\n")
                   .c_str(),
               err_);
  }

  // Writes the output gathered so far when a block is full or, for a
  // terminal, at every line (and every piece of a long one).
  bool Emit() { return output_.size() >= kBlockBytes || interactive_ ? Flush() : true; }

  bool Flush() {
    const bool written = std::fwrite(output_.data(), 1, output_.size(), out_) == output_.size();
    output_.clear();
    if (written && std::fflush(out_) == 0) return true;
    std::fputs(("orthelev-cli: heights: the output could not be written: " +
                platform::ErrorText(errno) + "\n")
                   .c_str(),
               err_);
    return false;
  }

  std::FILE* out_;
  std::FILE* err_;
  std::string inputName_;
  bool interactive_;
  const HeightsOptions& options_;
  std::array<std::int32_t, 3> columns_;
  std::vector<std::string_view> fields_;  // of the line being read, with --columns
  bool headerPending_;
  bool usageError_ = false;
  int windowSize_ = InterpolationWindow(SplineChosen());
  std::string output_;
  std::int64_t lineNumber_ = 0;
  bool clean_ = true;
};

}  // namespace

bool ParsePointLine(std::string_view line, PointLine& point, bool lonFirst) {
  std::string_view fields[kMaxFields];
  size_t count = 0;
  line = TrimControlAndBlanks(line);
  const size_t comma = line.find(',');
  const bool commas = comma != std::string_view::npos;
  point.separator = !commas                                               ? " "
                    : comma + 1 < line.size() && IsBlank(line[comma + 1]) ? ", "
                                                                          : ",";
  if (!(commas ? SplitAtCommas(line, fields, count) : SplitAtBlanks(line, fields, count)) ||
      count < 2)
    return false;
  point.latitude = ParseCoordinate(fields[lonFirst ? 1 : 0]);
  point.longitude = ParseCoordinate(fields[lonFirst ? 0 : 1]);
  point.hasHeight = count == 3;
  if (!(std::fabs(point.latitude) <= 90) || std::isnan(point.longitude)) return false;
  return !point.hasHeight || ParseReal(fields[2], point.height);
}

bool ParseHeightsColumns(std::string_view text, HeightsOptions& options, std::string& problem) {
  const std::vector<std::string_view> fields = AllFields(text);
  if (text.find(',') == std::string_view::npos || fields.size() > 3) {
    problem = "--columns takes LAT,LON or LAT,LON,H: numbers from 1 or header names";
    return false;
  }
  for (size_t k = 0; k < fields.size(); ++k) {
    std::int32_t number = 0;
    if (fields[k].empty() || (ParseInt32(fields[k], number) && number < 1)) {
      problem = "--columns takes LAT,LON or LAT,LON,H: numbers from 1 or header names";
      return false;
    }
    if (number > 0)
      options.columns[k] = number;
    else
      options.columnNames[k] = std::string(BareName(fields[k]));
    for (size_t earlier = 0; earlier < k; ++earlier) {
      if (number > 0
              ? options.columns[earlier] == number
              : EqualIgnoringAsciiCase(options.columnNames[earlier], options.columnNames[k])) {
        problem = "--columns names the column " + std::string(fields[k]) + " twice";
        return false;
      }
    }
  }
  if (!options.columnNames[0].empty() || !options.columnNames[1].empty() ||
      !options.columnNames[2].empty())
    options.header = true;
  return true;
}

int HeightsCommand(const std::vector<std::string>& arguments, const HeightsOptions& options,
                   std::FILE* out, std::FILE* err) {
  if (arguments.size() > 1) {
    std::fputs("orthelev-cli: heights takes at most one file (none or \"-\": standard input)\n",
               err);
    return kExitUsage;
  }
  if (!TheActiveGrid().open) SelectGeoidModel();
  if (!TheActiveGrid().open) return kExitUsage;
  // Each line's end is written back as it was read.
  platform::UseBytesUnchanged(stdin);
  platform::UseBytesUnchanged(out);
  const bool fromStdin = arguments.empty() || arguments[0] == "-";
  const std::string name = fromStdin ? "standard input" : arguments[0];
  int fd = -1;
  bool interactive = fromStdin && platform::IsTerminal(stdin);
  if (!fromStdin && (fd = platform::OpenForReading(arguments[0])) < 0) {
    std::fputs(
        ("orthelev-cli: heights: cannot open " + name + ": " + platform::ErrorText(errno) + "\n")
            .c_str(),
        err);
    return kExitFailed;
  }
  LineSource input =
      fromStdin ? LineSource(ReadFromStdin, &interactive) : LineSource(ReadFromFile, &fd);
  HeightsRun run(out, err, name, interactive, options);
  const bool written = run.Run(input);
  if (input.Failed())
    std::fputs(("orthelev-cli: heights: cannot read " + name + ": " +
                platform::ErrorText(input.Error()) + "\n")
                   .c_str(),
               err);
  if (!fromStdin) platform::CloseFile(fd);
  if (run.UsageError()) return kExitUsage;
  return written && !input.Failed() && run.Clean() ? kExitOk : kExitFailed;
}

}  // namespace orthelev
