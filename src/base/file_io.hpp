#pragma once
// Whole-file reading of small files (settings files) and crash-safe
// replacement of files, small ones (settings files and their copies) or
// large ones written piece by piece (GSIGEO companions, imported grids).
// Every failure is returned with a reason; nothing throws.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace orthelev {

// Largest file ReadWholeFile accepts by default: settings files are a few
// kilobytes, so anything near this is not one.
inline constexpr std::size_t kMaxSmallFileBytes = 16u << 20;

// The size in bytes of the file at `path`, -1 when it cannot be had.
std::int64_t FileBytes(const std::string& path);

// The first `limit` bytes of the file at `path` (fewer when it is shorter;
// none when it cannot be read).
std::string FileStart(const std::string& path, std::size_t limit);

// Reads the whole regular file at `path` into `bytes`. False, with a reason
// in `error`, when it cannot be opened or read, is not a regular file, or is
// larger than `maxBytes`.
[[nodiscard]] bool ReadWholeFile(const std::string& path, std::string& bytes, std::string& error,
                                 std::size_t maxBytes = kMaxSmallFileBytes);

// Replaces (or creates) the file at `path` with `bytes`: writes a temporary
// file in the same folder, flushes it to the disk and renames it over the
// target, so that on any failure the old file stays as it was and no
// temporary file remains. A symbolic link is followed and its target
// replaced. An existing file that the user may not write is refused, not
// replaced. Permission bits: `mode` when it is not negative, else those of
// the replaced file (whose owner is kept where allowed), else the usual 0666
// less the umask. False, with a reason in `error`, on failure.
[[nodiscard]] bool WriteFileAtomically(const std::string& path, std::string_view bytes,
                                       std::string& error, int mode = -1);

// Hands one piece of the new content to the file being written; false when
// it could not be written.
using ByteSink = std::function<bool(std::string_view bytes)>;

// A file replaced as a whole, written piece by piece: the content goes to a
// temporary file beside the target (".name.XXXXXX", links followed), which
// takes the target's name only on Commit. Until then, and on any failure,
// the old file stays as it was; an abandoned or failed file leaves no
// temporary file. Permission bits and owner as for WriteFileAtomically.
class AtomicFile {
 public:
  AtomicFile() = default;
  ~AtomicFile();  // abandons a file not committed
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // Creates the temporary file for `path`. False, with the reason, when an
  // existing file there may not be written, is a folder, or the temporary
  // file cannot be made.
  [[nodiscard]] bool Begin(const std::string& path, int mode = -1);
  // The temporary file's path while one is open.
  const std::string& TempPath() const { return temp_; }
  // Appends the bytes; false once any write has failed.
  [[nodiscard]] bool Write(std::string_view bytes);
  // Whether Commit waits until the bytes are on the disk: a file that can
  // be made again may leave that to the system and save the wait.
  enum class Durability { FlushedToDisk, LeftToTheSystem };

  // Flushes the file to the disk (unless told not to), closes it and renames
  // it over the target; false, with the reason, when any step (or an earlier
  // write) failed: the temporary file is then removed.
  [[nodiscard]] bool Commit(Durability durability = Durability::FlushedToDisk);
  // Closes and removes the temporary file; the target is not touched.
  void Abandon();

  bool Failed() const { return errorNumber_ != 0; }
  // The errno of the first failure (0: none) and the system's text for it.
  int ErrorNumber() const { return errorNumber_; }
  std::string ErrorText() const;
  // "Cannot write <path>: <reason>" (or "Cannot replace …"); "" without a failure.
  const std::string& Error() const { return error_; }

 private:
  void Fail(const char* what);

  std::string path_, target_, temp_, error_;
  int fd_ = -1;
  int errorNumber_ = 0;
};

// WriteFileAtomically for content made piece by piece (large files): calls
// `produce` once with a sink for the pieces. When `produce` returns false the
// write is abandoned, the old file stays as it was and `error` keeps the
// reason `produce` put there (a failed piece gives the write's own reason).
// `tempCreated`, when set, is told the temporary file's path as soon as it
// exists, before `produce` runs (so that a signal handler can remove it).
[[nodiscard]] bool WriteFileAtomicallyFrom(
    const std::string& path,
    const std::function<bool(const ByteSink& put, std::string& error)>& produce, std::string& error,
    int mode = -1, const std::function<void(const std::string& tempPath)>& tempCreated = {});

// True when a regular file (or a link to one) is at `path`.
bool FileExists(const std::string& path);

// Copies the regular file `from` over `to` (replacing it) with the same
// atomic write, keeping the source's permission bits but making the copy
// writable by its owner, who is to save into it.
[[nodiscard]] bool CopyFileReplacing(const std::string& from, const std::string& to,
                                     std::string& error);

}  // namespace orthelev
