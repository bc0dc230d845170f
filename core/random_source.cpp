#include "core/random_source.h"

namespace tavosu {

double MixingRandomSource::Draw(std::int64_t clock_seconds) {
  state_ ^= static_cast<std::uint64_t>(clock_seconds) * 0xD1B54A32D192ED03ULL;
  state_ += 0x9E3779B97F4A7C15ULL;
  std::uint64_t z = state_;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  z ^= z >> 31;
  // The top 53 bits give every double in [0, 1) at the resolution of 2^-53.
  return static_cast<double>(z >> 11) * 0x1.0p-53;
}

}  // namespace tavosu
