#pragma once
// The process's resident memory in its two kinds, from /proc/self/status:
// anonymous (the program's own heap and stacks, RssAnon) and file-backed
// (pages of mapped files such as a mapped grid, shared with the system's
// file cache and dropped under memory pressure, RssFile), and the peak of
// both together (VmHWM). MiB; -1 where the system does not tell.

#include <fstream>
#include <string>

namespace orthelev::bench {

struct ResidentMemory {
  double anonymousMiB = -1, fileMiB = -1, peakMiB = -1;
};

inline ResidentMemory CurrentResidentMemory() {
  ResidentMemory memory;
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    const auto kibibytes = [&] { return std::stod(line.substr(line.find(':') + 1)) / 1024; };
    if (line.starts_with("RssAnon:")) memory.anonymousMiB = kibibytes();
    if (line.starts_with("RssFile:")) memory.fileMiB = kibibytes();
    if (line.starts_with("VmHWM:")) memory.peakMiB = kibibytes();
  }
  return memory;
}

}  // namespace orthelev::bench
