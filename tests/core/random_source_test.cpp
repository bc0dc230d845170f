#include "core/random_source.h"

#include <gtest/gtest.h>

#include <array>
#include <set>

namespace tavosu {
namespace {

TEST(MixingRandomSource, DrawsWithinTheSameSecondDiffer) {
  MixingRandomSource random(0);
  std::set<double> draws;
  for (int i = 0; i < 1000; ++i) draws.insert(random.Draw(1'000'000'000));
  EXPECT_EQ(draws.size(), 1000u);
}

TEST(MixingRandomSource, DrawsAreSpreadOverTheUnitInterval) {
  MixingRandomSource random(12345);
  std::array<int, 10> buckets{};
  const int kDraws = 100'000;
  for (int i = 0; i < kDraws; ++i) {
    const double r = random.Draw(1'000'000'000 + i / 7);
    ASSERT_GE(r, 0.0);
    ASSERT_LT(r, 1.0);
    ++buckets[static_cast<std::size_t>(r * 10)];
  }
  for (int count : buckets) {
    EXPECT_NEAR(count, kDraws / 10, kDraws / 100);
  }
}

TEST(MixingRandomSource, ClockChangesTheDraw) {
  MixingRandomSource a(7), b(7);
  EXPECT_NE(a.Draw(100), b.Draw(101));
}

}  // namespace
}  // namespace tavosu
