#include "core/clock.h"

#include <chrono>
#include <ctime>

namespace tavosu {

std::int64_t LocalDateTime::SerialSeconds() const {
  using namespace std::chrono;
  const sys_days days{year_month_day{std::chrono::year{year},
                                     std::chrono::month{static_cast<unsigned>(month)},
                                     std::chrono::day{static_cast<unsigned>(day)}}};
  return static_cast<std::int64_t>(days.time_since_epoch().count()) * 86400 +
         hour * 3600 + minute * 60 + second;
}

namespace {

class LocalSystemClock : public Clock {
 public:
  LocalDateTime Now() override {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return LocalDateTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                         local.tm_hour,        local.tm_min,     local.tm_sec < 60 ? local.tm_sec : 59};
  }
};

}  // namespace

Clock* SystemClock() {
  static LocalSystemClock clock;
  return &clock;
}

}  // namespace tavosu
