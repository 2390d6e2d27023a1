#include "conversion/height_profile.hpp"

#include <cmath>
#include <utility>

namespace orthelev {

void ValueRange::Add(double value) {
  if (!std::isfinite(value)) return;
  const auto v = static_cast<float>(value);
  if (Empty()) {
    min = max = v;
    return;
  }
  if (v < min) min = v;
  if (v > max) max = v;
}

void ValueRange::Add(const ValueRange& other) {
  if (other.Empty()) return;
  Add(other.min);
  Add(other.max);
}

void HeightProfile::Add(double read, double written, double n) {
  if (!buckets_.empty() && buckets_.back().records == width_ &&
      static_cast<std::int32_t>(buckets_.size()) == kProfileBuckets)
    MergePairs();
  if (buckets_.empty() || buckets_.back().records == width_) {
    if (buckets_.capacity() == 0) buckets_.reserve(kProfileBuckets);
    ProfileBucket bucket;
    bucket.firstRecord = records_ + 1;
    buckets_.push_back(bucket);
  }
  ++records_;
  ProfileBucket& bucket = buckets_.back();
  ++bucket.records;
  if (std::isnan(n))
    ++bucket.outside;
  else if (std::isnan(written))
    ++bucket.uncorrected;
  bucket.read.Add(read);
  bucket.written.Add(written);
  bucket.n.Add(n);
}

void HeightProfile::MergePairs() {
  std::size_t kept = 0;
  for (std::size_t i = 0; i < buckets_.size(); i += 2, ++kept) {
    ProfileBucket merged = buckets_[i];
    if (i + 1 < buckets_.size()) {
      const ProfileBucket& next = buckets_[i + 1];
      merged.records += next.records;
      merged.outside += next.outside;
      merged.uncorrected += next.uncorrected;
      merged.read.Add(next.read);
      merged.written.Add(next.written);
      merged.n.Add(next.n);
    }
    buckets_[kept] = merged;
  }
  buckets_.resize(kept);
  width_ *= 2;
}

ValueRange HeightProfile::Heights() const {
  ValueRange all;
  for (const ProfileBucket& bucket : buckets_) {
    all.Add(bucket.read);
    all.Add(bucket.written);
    all.Add(bucket.n);
  }
  return all;
}

ProfileState& TheProfiles() {
  static ProfileState state;
  return state;
}

void BeginProfile(const std::string& name) {
  ProfileState& state = TheProfiles();
  state.current = FileProfile{name, {}};
  state.collecting = true;
}

void EndProfile(bool converted) {
  ProfileState& state = TheProfiles();
  if (converted && state.current.profile.Records() > 0) {
    state.files.push_back(std::move(state.current));
    ++state.revision;
  }
  state.current = FileProfile{};
  state.collecting = false;
}

void ProfileRecord(double read, double written, double n) {
  ProfileState& state = TheProfiles();
  if (state.collecting) state.current.profile.Add(read, written, n);
}

}  // namespace orthelev
