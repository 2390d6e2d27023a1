#include "geoid/grid_file.hpp"

#include "platform/platform.hpp"

namespace orthelev {

GridFile::~GridFile() { Close(); }

bool GridFile::Open(const std::string& path) {
  Close();
  fd_ = platform::OpenForReading(path);
  if (fd_ < 0) return false;
  platform::FileStatus info;
  if (!platform::StatusOf(fd_, info) || info.kind == platform::FileKind::Directory) {
    Close();
    return false;
  }
  if (reading_ == GridReading::Mapped && info.kind == platform::FileKind::Regular)
    view_ = platform::MapForReading(fd_, info.size);  // the block reader when it fails
  path_ = path;
  return true;
}

void GridFile::Close() {
  platform::Unmap(view_);
  if (fd_ >= 0)
    platform::CloseFile(fd_);  // nothing useful to do about a failed close of a read-only file
  fd_ = -1;
  path_.clear();
  ForgetBlocks();
}

void GridFile::ForgetBlocks() {
  ++generation_;
  std::fill(tags_.begin(), tags_.end(), -1);
  std::fill(lengths_.begin(), lengths_.end(), 0);
}

std::int64_t GridFile::Size() const {
  platform::FileStatus info;
  if (fd_ < 0 || !platform::StatusOf(fd_, info)) return -1;
  return info.size;
}

bool GridFile::ReadExact(std::int64_t offset, void* data, std::int64_t count) const {
  if (fd_ < 0 || offset < 0 || count < 0) return false;
  auto* out = static_cast<unsigned char*>(data);
  while (count > 0) {
    const std::int64_t got = platform::ReadAt(fd_, out, static_cast<std::size_t>(count), offset);
    if (got <= 0) return false;
    out += got;
    offset += got;
    count -= got;
  }
  return true;
}

void GridFile::LeaveMapping() {
  failedReads_ += platform::LostPageReads(view_);
  platform::Unmap(view_);
  ForgetBlocks();
}

bool GridFile::Load(std::int64_t block, std::size_t slot) {
  ++generation_;
  if (!blocks_) {
    blocksStorage_ =
        std::make_unique_for_overwrite<unsigned char[]>(kCacheBytes);  // pages touched as used
    blocks_ = blocksStorage_.get();
  }
  unsigned char* data = &blocks_[slot * kBlockBytes];
  const std::int64_t start = block * kBlockBytes;
  std::int64_t length = 0;
  // A short block is kept as it is: it is the end of the file.
  while (length < kBlockBytes) {
    const std::int64_t got = platform::ReadAt(
        fd_, data + length, static_cast<std::size_t>(kBlockBytes - length), start + length);
    if (got < 0) {
      ++failedReads_;
      tags_[slot] = -1;
      lengths_[slot] = 0;
      return false;
    }
    if (got == 0) break;
    length += got;
  }
  tags_[slot] = block;
  lengths_[slot] = static_cast<std::int32_t>(length);
  return true;
}

}  // namespace orthelev
