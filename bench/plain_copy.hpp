#pragma once
// The baseline of the conversion benchmarks: a file copied with read/write
// through a 64 KiB buffer, no parsing.

#include <cstdint>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace orthelev::bench {

// Copies `from` to `to`; the bytes copied, or -1 when a step failed.
inline std::int64_t PlainCopy(const std::string& from, const std::string& to) {
  std::vector<char> buffer(64 * 1024);
  const int in = ::open(from.c_str(), O_RDONLY);
  const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::int64_t bytes = in >= 0 && out >= 0 ? 0 : -1;
  for (ssize_t got; bytes >= 0 && (got = ::read(in, buffer.data(), buffer.size())) > 0;)
    bytes = ::write(out, buffer.data(), static_cast<size_t>(got)) == got ? bytes + got : -1;
  if (in >= 0) ::close(in);
  if (out >= 0 && ::close(out) != 0) bytes = -1;
  return bytes;
}

}  // namespace orthelev::bench
