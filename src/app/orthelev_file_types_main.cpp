// Build tool of the Windows build, run under wine: writes the log file types
// the conversions take by default, one line per extension, as the Windows
// installer's include file ("!insertmacro LogFileType ".nmea""), so that
// the installer associates exactly the extensions the program's own lists
// name.

#include <cstdio>
#include <string>
#include <string_view>

#include "settings/settings.hpp"

int main() {
  using namespace orthelev::defaults;
  for (const std::string_view list : {kNmeaExt, kCsvExt, kGpxExt}) {
    std::size_t start = list.find('.');
    while (start != std::string_view::npos) {
      const std::size_t next = list.find('.', start + 1);
      const std::string extension(list.substr(start, next - start));
      if (extension.size() > 1) std::printf("!insertmacro LogFileType \"%s\"\n", extension.c_str());
      start = next;
    }
  }
  return 0;
}
