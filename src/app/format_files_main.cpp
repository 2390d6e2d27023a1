// Writes the files that tell the desktop which logs the program opens,
// from the table of log formats: the desktop entry (from its template, with
// @FORMAT_NAMES@, @FORMAT_KEYWORDS@ and @MIME_TYPES@ filled in), the
// MIME-info file, and the Windows installer's include file of the default
// extensions, one line each ("!insertmacro LogFileType ".nmea""), so that the
// installer associates exactly the extensions the program's own lists name.
// Run by the build: format_files TEMPLATE DESKTOP_ENTRY MIME_XML NSIS_INCLUDE

#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <string_view>

#include "conversion/log_formats.hpp"

namespace {

std::string Keywords() {
  std::string keywords;
  for (const orthelev::LogFormat& format : orthelev::LogFormats())
    keywords += std::string(format.name) + ";";
  return keywords;
}

std::string InstallerFileTypes() {
  std::string lines;
  for (const orthelev::LogFormat& format : orthelev::LogFormats()) {
    const std::string_view list = format.defaultExtensions;
    for (std::size_t start = list.find('.'); start != std::string_view::npos;) {
      const std::size_t next = list.find('.', start + 1);
      const std::string_view extension = list.substr(start, next - start);
      if (extension.size() > 1)
        lines += "!insertmacro LogFileType \"" + std::string(extension) + "\"\n";
      start = next;
    }
  }
  return lines;
}

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos;
       at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
}

bool Write(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
  return static_cast<bool>(out.flush());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::cerr << "usage: format_files TEMPLATE DESKTOP_ENTRY MIME_XML NSIS_INCLUDE\n";
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  std::stringstream entry;
  entry << in.rdbuf();
  if (!in) {
    std::cerr << "format_files: cannot read " << argv[1] << "\n";
    return 1;
  }
  std::string text = entry.str();
  ReplaceAll(text, "@FORMAT_NAMES@", orthelev::LogFormatNamesInProse());
  ReplaceAll(text, "@FORMAT_KEYWORDS@", Keywords());
  ReplaceAll(text, "@MIME_TYPES@", orthelev::DesktopEntryMimeTypes());
  if (!Write(argv[2], text) || !Write(argv[3], orthelev::MimeInfoXml()) ||
      !Write(argv[4], InstallerFileTypes())) {
    std::cerr << "format_files: cannot write the outputs\n";
    return 1;
  }
  return 0;
}
