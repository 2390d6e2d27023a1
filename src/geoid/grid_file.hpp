#pragma once
// A geoid grid file held open for node reads, with a bounded cache of file
// blocks over positioned reads. The grid is never read whole: a node costs a
// lookup in the cache and, on a miss, one read of its 512-byte block (small
// blocks keep the cost of a miss low for scattered points).
//
// Guarantees: a cached value is always the value the file had when its
// block was read; a read past the end of the file (also one truncated while
// open) fails instead of crashing; the cache never holds more than
// kCacheBytes whatever the size of the grid. Offsets are 64-bit.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace orthelev {

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
  void Close();
  bool IsOpen() const { return fd_ >= 0; }

  // Size in bytes at the time of the call; -1 when closed or on error.
  std::int64_t Size() const;

  // Reads `count` bytes at `offset` straight from the file (no cache);
  // false unless all of them could be read.
  [[nodiscard]] bool ReadExact(std::int64_t offset, void* data, std::int64_t count) const;

  // The `count` bytes at `offset` inside the cache, loading their block if
  // needed; nullptr when they cross a block boundary, lie past the end of
  // the file, or the file is closed. Valid until the next read.
  const unsigned char* CachedBytes(std::int64_t offset, std::int64_t count) {
    const std::int64_t block = offset >> kBlockShift;
    const std::int64_t inBlock = offset & (kBlockBytes - 1);
    if (offset < 0 || fd_ < 0 || inBlock + count > kBlockBytes) return nullptr;
    const std::size_t slot = static_cast<std::size_t>(block) & kSlotMask;
    if (tags_[slot] != block && !Load(block, slot)) return nullptr;
    if (inBlock + count > lengths_[slot]) return nullptr;
    return &blocks_[slot * kBlockBytes + inBlock];
  }

  // Changes whenever the cached bytes may have changed (an open, a close,
  // any block read): while it stays the same, every CachedBytes call gives
  // the bytes an earlier call gave for the same offset, without reading.
  std::uint64_t CacheGeneration() const { return generation_; }

  // Grows with every block read that failed (such a read is retried by the
  // next lookup of the block, and may then succeed).
  std::uint64_t FailedReads() const { return failedReads_; }

 private:
  static constexpr int kBlockShift = 9;
  static constexpr std::size_t kSlots = kCacheBytes / kBlockBytes;
  static constexpr std::size_t kSlotMask = kSlots - 1;

  bool Load(std::int64_t block, std::size_t slot);
  void ForgetBlocks();

  int fd_ = -1;
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
