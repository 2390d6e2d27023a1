#pragma once
// What every fuzz target shares: a check that stops the run with a report,
// a scratch folder, the program state reset between inputs, and a small
// global geoid grid to convert against.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include "conversion/output_file.hpp"
#include "flags/program_flags.hpp"
#include "geoid/active_grid.hpp"
#include "geoid/custom_geoid.hpp"
#include "program/program_state.hpp"
#include "program/settings_store.hpp"
#include "services/memory_window_services.hpp"
#include "settings/settings.hpp"

namespace orthelev::fuzz {

// What a target is checking at the moment (a line, a value), printed with
// a failed check.
inline std::string& CheckContext() {
  static std::string context;
  return context;
}

}  // namespace orthelev::fuzz

// A failed check is a finding: libFuzzer keeps the input that caused it.
#define FUZZ_CHECK(condition, what)                                                               \
  do {                                                                                            \
    if (!(condition)) {                                                                           \
      std::fprintf(stderr, "fuzz check failed: %s: %s (%s:%d)\n%s\n", #condition, what, __FILE__, \
                   __LINE__, orthelev::fuzz::CheckContext().c_str());                             \
      std::abort();                                                                               \
    }                                                                                             \
  } while (0)

namespace orthelev::fuzz {

// Window services that count the message boxes shown.
class CountingWindow : public MemoryWindowServices {
 public:
  MessageButton ShowMessageBox(const std::string& text, MessageKind kind, MessageButton buttons,
                               int defaultButton) override {
    ++messages;
    lastMessage = text;
    return MemoryWindowServices::ShowMessageBox(text, kind, buttons, defaultButton);
  }
  int messages = 0;
  std::string lastMessage;
};

// One scratch folder per process, emptied for every input.
class Scratch {
 public:
  static Scratch& Get() {
    static Scratch scratch;
    return scratch;
  }
  std::string Folder() const { return folder_ + "/"; }
  std::string File(std::string_view name) const { return folder_ + "/" + std::string(name); }
  void Clear() const {
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(folder_, ignored))
      std::filesystem::remove_all(entry.path(), ignored);
  }
  std::string Write(std::string_view name, std::string_view bytes) const {
    const std::string path = File(name);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
  }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  // True when no file of the folder is hidden, as an output's temporary file is.
  bool NoTemporaryFile() const {
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(folder_, ignored))
      if (entry.path().filename().string()[0] == '.') return false;
    return true;
  }
  static bool Exists(const std::string& path) {
    std::error_code ignored;
    return std::filesystem::exists(path, ignored);
  }

 private:
  Scratch() {
    const char* base = std::filesystem::exists("/dev/shm") ? "/dev/shm" : "/tmp";
    std::string pattern = std::string(base) + "/orthelev-fuzz-XXXXXX";
    if (!mkdtemp(pattern.data())) std::abort();
    folder_ = pattern;
  }
  ~Scratch() {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
  std::string folder_;
};

// Fresh settings, flags, grid and conversion state, with `window` installed.
inline void ResetProgram(CountingWindow& window) {
  ResetProgramState();
  window = CountingWindow{};
  InstallWindowServices(&window);
  Scratch::Get().Clear();
}

inline void AppendFloat(std::string& bytes, float value) {
  char raw[4];
  std::memcpy(raw, &value, 4);
  bytes.append(raw, 4);
}

// A custom geoid file covering the whole earth at 10 degrees (19 x 36
// nodes, wrapping in longitude), values between -25 and 25 m.
inline std::string GlobalGridBytes() {
  constexpr std::int32_t rows = 19, columns = 36;
  std::string bytes;
  for (std::int32_t r = 0; r < rows; ++r)
    for (std::int32_t c = 0; c < columns; ++c)
      AppendFloat(bytes, static_cast<float>((r * 7 + c * 3) % 51 - 25));
  const double geometry[4] = {-90, 0, 10, 10};
  bytes.append(reinterpret_cast<const char*>(&rows), 4);
  bytes.append(reinterpret_cast<const char*>(&columns), 4);
  bytes.append(reinterpret_cast<const char*>(geometry), sizeof geometry);
  return bytes;
}

// Opens the global grid as the active grid (it stays open for the input).
inline void OpenGlobalGrid() {
  const std::string path = Scratch::Get().Write("global.cdat", GlobalGridBytes());
  FUZZ_CHECK(OpenCustomGeoid(path), "the global grid opens");
  TheActiveGrid().open = true;
}

// The start of a conversion target: fresh program state with default
// settings and the global grid open, spline or bilinear by the first byte,
// and the input written as the log `name`.
struct ConversionInput {
  std::string_view bytes;
  std::string path, outputPath;
};
inline ConversionInput StartConversion(CountingWindow& window, const std::uint8_t* data,
                                       std::size_t size, const char* name) {
  ResetProgram(window);
  LoadDefaultSettings();
  OpenGlobalGrid();
  TheFlags().useSpline = size > 0 && (data[0] & 1) != 0;
  // Half the inputs with every height stated ellipsoidal, so that files no
  // evidence decides reach the correction too.
  TheSettings().heightReference =
      size > 0 && (data[0] & 2) != 0 ? HeightReference::Ellipsoidal : HeightReference::AsFileSays;
  ConversionInput input;
  input.bytes = std::string_view(reinterpret_cast<const char*>(data), size);
  input.path = Scratch::Get().Write(name, input.bytes);
  input.outputPath = OutputPathFor(input.path, "_g");
  return input;
}

}  // namespace orthelev::fuzz
