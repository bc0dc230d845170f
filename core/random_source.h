// The pseudo-random source of the question picker.
//
// Each draw first mixes a clock reading into the generator's running state,
// so that draws follow the clock yet two draws within the same second differ.

#ifndef TAVOSU_CORE_RANDOM_SOURCE_H_
#define TAVOSU_CORE_RANDOM_SOURCE_H_

#include <cstdint>

namespace tavosu {

class RandomSource {
 public:
  virtual ~RandomSource() = default;

  // Mixes clock_seconds into the state and returns a number uniform in
  // [0, 1). Never returns 1.
  virtual double Draw(std::int64_t clock_seconds) = 0;
};

// A small generator (SplitMix64) whose state carries over from draw to draw.
class MixingRandomSource : public RandomSource {
 public:
  explicit MixingRandomSource(std::uint64_t initial_state) : state_(initial_state) {}
  double Draw(std::int64_t clock_seconds) override;

 private:
  std::uint64_t state_;
};

}  // namespace tavosu

#endif  // TAVOSU_CORE_RANDOM_SOURCE_H_
