#pragma once
// A geoid grid file held open for node reads. The grid is never read whole
// into the program's memory: the file is mapped read-only (its pages are
// the system's file cache, read on demand), or, where it cannot be mapped,
// read through a bounded cache of 512-byte blocks over positioned reads.
// See docs/grid-cache.md.
//
// Guarantees: a read past the end of the file (also one cut short while
// open; a mapping ends where the file ended at the open) gives no bytes
// instead of crashing; the program's own memory for the grid stays under
// kCacheBytes plus the slot table whatever the size of the grid. Offsets
// are 64-bit.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.hpp"

namespace orthelev {

// How a grid file's nodes are read: through a mapping of the file where it
// can be mapped (the block reader otherwise), or always through the block
// reader.
enum class GridReading { Mapped, Blocks };

class GridFile {
 public:
  static constexpr std::int64_t kBlockBytes = 512;
  static constexpr std::int64_t kCacheBytes = 16 << 20;  // 32,768 blocks of 512 bytes

  GridFile() = default;
  ~GridFile();
  GridFile(const GridFile&) = delete;
  GridFile& operator=(const GridFile&) = delete;

  // Opens the file for reading; false (and closed) when it cannot be opened.
  [[nodiscard]] bool Open(const std::string& path);
  // How the next opens read the file (Mapped until changed).
  void SetReading(GridReading reading) { reading_ = reading; }
  // True while the nodes are read through a mapping.
  bool IsMapped() const { return view_.data != nullptr; }
  void Close();
  bool IsOpen() const { return fd_ >= 0; }
  // The path the open file was opened by; "" when closed.
  const std::string& Path() const { return path_; }

  // Size in bytes at the time of the call; -1 when closed or on error.
  std::int64_t Size() const;

  // Reads `count` bytes at `offset` straight from the file (no cache);
  // false unless all of them could be read.
  [[nodiscard]] bool ReadExact(std::int64_t offset, void* data, std::int64_t count) const;

  // The `count` bytes at `offset` in the mapping, or inside the cache,
  // loading their block if needed; nullptr when they lie past the end of
  // the file, cross a block boundary (block reader only), or the file is
  // closed. Valid until the next read.
  const unsigned char* CachedBytes(std::int64_t offset, std::int64_t count) {
    if (view_.data && platform::LostPageReads(view_) != 0) LeaveMapping();
    if (view_.data)
      return offset >= 0 && count <= view_.size - offset ? view_.data + offset : nullptr;
    const std::int64_t block = offset >> kBlockShift;
    const std::int64_t inBlock = offset & (kBlockBytes - 1);
    if (offset < 0 || fd_ < 0 || inBlock + count > kBlockBytes) return nullptr;
    const std::size_t slot = static_cast<std::size_t>(block) & kSlotMask;
    if (tags_[slot] != block && !Load(block, slot)) return nullptr;
    if (inBlock + count > lengths_[slot]) return nullptr;
    return &blocks_[slot * kBlockBytes + inBlock];
  }

  // Asks the processor to fetch the mapped bytes at `offset` (and the page
  // table entry that leads to them) ahead of their read, so that the reads
  // of bytes far apart overlap; does nothing for the block reader. A hint
  // only: it never faults.
  void Prefetch(std::int64_t offset) const {
    if (view_.data && offset >= 0 && offset < view_.size) __builtin_prefetch(view_.data + offset);
  }

  // Changes whenever the cached bytes may have changed (an open, a close,
  // any block read, leaving the mapping): while it stays the same, values
  // kept from earlier CachedBytes calls may be used again. (A mapped file
  // changed in place by another program is not seen: the file is taken as
  // it was read.)
  std::uint64_t CacheGeneration() const { return generation_; }

  // Grows with every block read that failed (such a read is retried by the
  // next lookup of the block, and may then succeed) and with every read of
  // a mapped page that the file no longer backs.
  std::uint64_t FailedReads() const { return failedReads_ + platform::LostPageReads(view_); }

 private:
  static constexpr int kBlockShift = 9;
  static constexpr std::size_t kSlots = kCacheBytes / kBlockBytes;
  static constexpr std::size_t kSlotMask = kSlots - 1;

  bool Load(std::int64_t block, std::size_t slot);
  void ForgetBlocks();
  // The file shrank under the mapping: its lost reads become failed reads
  // and the block reader reads the file as it now is.
  void LeaveMapping();

  int fd_ = -1;
  std::string path_;
  GridReading reading_ = GridReading::Mapped;
  platform::FileView view_;
  std::uint64_t generation_ = 1;
  std::uint64_t failedReads_ = 0;
  // Direct-mapped: block b lives in slot b % kSlots. The block storage is
  // allocated on first use; the tags and lengths come with the object.
  std::vector<std::int64_t> tags_ = std::vector<std::int64_t>(kSlots, -1);
  std::vector<std::int32_t> lengths_ = std::vector<std::int32_t>(kSlots, 0);
  std::unique_ptr<unsigned char[]> blocksStorage_;
  unsigned char* blocks_ = nullptr;
};

}  // namespace orthelev
