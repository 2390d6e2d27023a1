#pragma once
// The little-endian 4- and 8-byte numbers of grid files (node values,
// trailers), read and written the same way whatever the machine's own byte
// order.

#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>

namespace orthelev {

namespace detail {
template <typename T>
using SameSizeUnsigned = std::conditional_t<sizeof(T) == 4, std::uint32_t, std::uint64_t>;
}  // namespace detail

// The value of type T (4 or 8 bytes) stored little-endian at `bytes`.
template <typename T>
T FromLittleEndian(const unsigned char* bytes) {
  static_assert(sizeof(T) == 4 || sizeof(T) == 8);
  detail::SameSizeUnsigned<T> bits = 0;
  for (std::size_t i = 0; i < sizeof(T); ++i)
    bits |= detail::SameSizeUnsigned<T>(bytes[i]) << (8 * i);
  T value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

// Appends `value` (4 or 8 bytes) to `out`, little-endian.
template <typename T>
void AppendLittleEndian(std::string& out, T value) {
  static_assert(sizeof(T) == 4 || sizeof(T) == 8);
  detail::SameSizeUnsigned<T> bits;
  std::memcpy(&bits, &value, sizeof value);
  for (std::size_t i = 0; i < sizeof(T); ++i)
    out.push_back(static_cast<char>((bits >> (8 * i)) & 0xFF));
}

}  // namespace orthelev
