#include "core/results_stamp.h"

#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>
#include <unicode/timezone.h>

namespace tavosu {
namespace {

struct StampCase {
  LocalDateTime time;
  const char* stamp;
};

std::string Show(const LocalDateTime& t) {
  return std::to_string(t.year) + "-" + std::to_string(t.month) + "-" + std::to_string(t.day) +
         " " + std::to_string(t.hour) + ":" + std::to_string(t.minute) + ":" +
         std::to_string(t.second);
}

void ExpectStamps(const StampCase* begin, const StampCase* end) {
  for (const StampCase* c = begin; c != end; ++c) {
    SCOPED_TRACE(Show(c->time));
    EXPECT_EQ(ResultsStamp(c->time), c->stamp);
  }
}

TEST(ResultsStampTest, RendersEveryField) {
  const StampCase cases[] = {
      {{2004, 5, 8, 15, 43, 51}, "平成 16年05月08日15時43分51秒"},
      {{2001, 2, 3, 4, 5, 6}, "平成 13年02月03日04時05分06秒"},
      {{2010, 10, 10, 0, 0, 0}, "平成 22年10月10日00時00分00秒"},
      {{2023, 12, 31, 23, 59, 59}, "令和 05年12月31日23時59分59秒"},
      {{2000, 2, 29, 12, 0, 0}, "平成 12年02月29日12時00分00秒"},
  };
  ExpectStamps(std::begin(cases), std::end(cases));
}

TEST(ResultsStampTest, ChangesEraAtMidnightOfItsFirstDay) {
  const StampCase cases[] = {
      {{1912, 7, 29, 23, 59, 59}, "明治 45年07月29日23時59分59秒"},
      {{1912, 7, 30, 0, 0, 0}, "大正 01年07月30日00時00分00秒"},
      {{1926, 12, 24, 23, 59, 59}, "大正 15年12月24日23時59分59秒"},
      {{1926, 12, 25, 0, 0, 0}, "昭和 01年12月25日00時00分00秒"},
      {{1989, 1, 7, 23, 59, 59}, "昭和 64年01月07日23時59分59秒"},
      {{1989, 1, 8, 0, 0, 0}, "平成 01年01月08日00時00分00秒"},
      {{2019, 4, 30, 23, 59, 59}, "平成 31年04月30日23時59分59秒"},
      {{2019, 5, 1, 0, 0, 0}, "令和 01年05月01日00時00分00秒"},
  };
  ExpectStamps(std::begin(cases), std::end(cases));
}

TEST(ResultsStampTest, PadsTheEraYearToTwoDigitsAndNoFurther) {
  const StampCase cases[] = {
      {{2027, 1, 1, 0, 0, 0}, "令和 09年01月01日00時00分00秒"},
      {{2028, 1, 1, 0, 0, 0}, "令和 10年01月01日00時00分00秒"},
      {{2099, 12, 31, 23, 59, 59}, "令和 81年12月31日23時59分59秒"},
      {{2117, 12, 31, 23, 59, 59}, "令和 99年12月31日23時59分59秒"},
      {{2118, 1, 1, 0, 0, 0}, "令和 100年01月01日00時00分00秒"},
  };
  ExpectStamps(std::begin(cases), std::end(cases));
}

TEST(ResultsStampTest, NamesOlderErasInFull) {
  const StampCase cases[] = {
      {{1868, 9, 7, 12, 0, 0}, "慶応 04年09月07日12時00分00秒"},
      {{1868, 9, 8, 12, 0, 0}, "明治 01年09月08日12時00分00秒"},
      {{645, 6, 19, 12, 0, 0}, "大化 01年06月19日12時00分00秒"},
  };
  ExpectStamps(std::begin(cases), std::end(cases));
}

// Days that the Julian-to-Gregorian switch of 1582 skipped exist in the
// proleptic Gregorian calendar of LocalDateTime.
TEST(ResultsStampTest, ReadsDatesBefore1582AsGregorian) {
  const StampCase cases[] = {
      {{1582, 10, 10, 12, 0, 0}, "天正 10年10月10日12時00分00秒"},
      {{1400, 3, 1, 12, 0, 0}, "応永 07年03月01日12時00分00秒"},
  };
  ExpectStamps(std::begin(cases), std::end(cases));
  // Leap in the Julian calendar only.
  EXPECT_THROW(ResultsStamp({1500, 2, 29, 12, 0, 0}), std::runtime_error);
}

TEST(ResultsStampTest, RefusesInvalidDateOrTime) {
  const LocalDateTime invalid[] = {
      {2023, 2, 29, 12, 0, 0}, {1900, 2, 29, 12, 0, 0}, {2023, 4, 31, 12, 0, 0},
      {2023, 13, 1, 12, 0, 0}, {2023, 0, 1, 12, 0, 0},  {2023, 1, 0, 12, 0, 0},
      {2023, 1, 1, 24, 0, 0},  {2023, 1, 1, 12, 60, 0}, {2023, 1, 1, 12, 0, 60},
      {2023, 1, 1, -1, 0, 0},
  };
  for (const LocalDateTime& time : invalid) {
    SCOPED_TRACE(Show(time));
    EXPECT_THROW(ResultsStamp(time), std::runtime_error);
  }
}

TEST(ResultsStampTest, RefusesDatesOutsideTheEras) {
  const LocalDateTime outside[] = {
      {644, 12, 31, 12, 0, 0}, {0, 1, 1, 0, 0, 0}, {-5, 1, 1, 0, 0, 0}, {2000000000, 1, 1, 0, 0, 0},
  };
  for (const LocalDateTime& time : outside) {
    SCOPED_TRACE(Show(time));
    EXPECT_THROW(ResultsStamp(time), std::runtime_error);
  }
}

// Restores ICU's default time zone when it goes out of scope.
class DefaultZoneOverride {
 public:
  explicit DefaultZoneOverride(const char* id) : saved_(icu::TimeZone::createDefault()) {
    icu::TimeZone::adoptDefault(icu::TimeZone::createTimeZone(id));
  }
  ~DefaultZoneOverride() { icu::TimeZone::adoptDefault(saved_.release()); }

 private:
  std::unique_ptr<icu::TimeZone> saved_;
};

// Wall-clock times that a zone skips or repeats around its daylight saving
// changes, and midnights on an era's first day, are stamped as given.
TEST(ResultsStampTest, IgnoresIcuDefaultTimeZone) {
  const StampCase cases[] = {
      {{2019, 3, 10, 2, 30, 0}, "平成 31年03月10日02時30分00秒"},
      {{2019, 11, 3, 1, 30, 0}, "令和 01年11月03日01時30分00秒"},
      {{2019, 5, 1, 0, 0, 0}, "令和 01年05月01日00時00分00秒"},
      {{1989, 1, 7, 23, 59, 59}, "昭和 64年01月07日23時59分59秒"},
  };
  for (const char* zone : {"America/Los_Angeles", "Asia/Tokyo", "Pacific/Kiritimati"}) {
    SCOPED_TRACE(zone);
    DefaultZoneOverride override_zone(zone);
    ExpectStamps(std::begin(cases), std::end(cases));
  }
}

}  // namespace
}  // namespace tavosu
