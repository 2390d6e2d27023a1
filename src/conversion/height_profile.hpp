#pragma once
// The height profile of a converted file: the height read, the height
// written and the model's N along the file, kept as at most kProfileBuckets
// min/max buckets however long the file is, with the records outside the
// model and those left uncorrected counted per bucket.

#include <cstdint>
#include <string>
#include <vector>

namespace orthelev {

inline constexpr std::int32_t kProfileBuckets = 2048;

// The smallest and largest finite value put in; empty (min > max) at first.
struct ValueRange {
  float min = 1.0F, max = 0.0F;
  bool Empty() const { return min > max; }
  void Add(double value);
  void Add(const ValueRange& other);
};

// Records firstRecord .. firstRecord + records - 1 (1-based) of a profile.
struct ProfileBucket {
  std::int32_t firstRecord = 1, records = 0;
  std::int32_t outside = 0, uncorrected = 0;
  ValueRange read, written, n;
};

class HeightProfile {
 public:
  // One record: `n` NaN when it lies outside the model, `written` NaN
  // when it was left uncorrected; NaN values stay out of the ranges.
  void Add(double read, double written, double n);

  const std::vector<ProfileBucket>& Buckets() const { return buckets_; }
  std::int32_t Records() const { return records_; }
  std::int32_t RecordsPerBucket() const { return width_; }
  // The range of every series together.
  ValueRange Heights() const;

 private:
  void MergePairs();

  std::vector<ProfileBucket> buckets_;
  std::int32_t records_ = 0;
  std::int32_t width_ = 1;
};

// The profile of one file of a batch.
struct FileProfile {
  std::string name;  // the file name, as the report shows it
  HeightProfile profile;
};

// The profiles of the last batch's converted files (program state), and the
// one being collected.
struct ProfileState {
  std::vector<FileProfile> files;
  bool collecting = false;
  FileProfile current;
  // Changes whenever `files` does (also across resets): a window showing
  // the files refreshes only when it moved.
  std::uint64_t revision = 0;

  void Reset() {
    const std::uint64_t next = revision + 1;
    *this = ProfileState{};
    revision = next;
  }
};

ProfileState& TheProfiles();

// Starts collecting the profile of the file `name`.
void BeginProfile(const std::string& name);
// Ends it: a profile with records is kept among the batch's files when
// `converted`, dropped otherwise.
void EndProfile(bool converted);

// The conversions' one hook, called once per record that reached the model
// lookup: adds it to the profile being collected, if any.
void ProfileRecord(double read, double written, double n);

}  // namespace orthelev
