#include "core/results_stamp.h"

#include <cstring>
#include <memory>
#include <stdexcept>

#include <unicode/calendar.h>
#include <unicode/dtfmtsym.h>
#include <unicode/gregocal.h>
#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>
#include <unicode/utypes.h>

namespace tavosu {
namespace {

const char kJapaneseLocale[] = "ja_JP@calendar=japanese";

void ThrowIfFailed(UErrorCode status, const char* step) {
  if (U_FAILURE(status)) {
    throw std::runtime_error(std::string("results stamp: ") + step + ": " + u_errorName(status));
  }
}

// Appends value, which is not negative, with at least two digits.
void AppendPadded(std::string& out, int value) {
  if (value < 10) out += '0';
  out += std::to_string(value);
}

// Returns a Japanese calendar set to time. The calendar runs in GMT, so no
// zone offset or daylight saving gap can move the wall-clock fields, and it is
// Gregorian all the way back, as LocalDateTime is. It is not lenient: fields
// out of range fail instead of rolling over into a neighbouring date.
std::unique_ptr<icu::Calendar> CalendarAt(const icu::Locale& locale, const LocalDateTime& time) {
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::Calendar> calendar(
      icu::Calendar::createInstance(*icu::TimeZone::getGMT(), locale, status));
  ThrowIfFailed(status, "calendar");
  auto* gregorian = dynamic_cast<icu::GregorianCalendar*>(calendar.get());
  if (gregorian == nullptr || std::strcmp(calendar->getType(), "japanese") != 0) {
    throw std::runtime_error("results stamp: no Japanese calendar");
  }
  gregorian->setGregorianChange(U_DATE_MIN, status);
  ThrowIfFailed(status, "Gregorian change");
  calendar->setLenient(false);

  calendar->clear();
  // In the Japanese calendar YEAR counts within the era; the extended year is
  // the Gregorian one.
  calendar->set(UCAL_EXTENDED_YEAR, time.year);
  calendar->set(UCAL_MONTH, time.month - 1);
  calendar->set(UCAL_DATE, time.day);
  calendar->set(UCAL_HOUR_OF_DAY, time.hour);
  calendar->set(UCAL_MINUTE, time.minute);
  calendar->set(UCAL_SECOND, time.second);
  return calendar;
}

}  // namespace

std::string ResultsStamp(const LocalDateTime& time) {
  const icu::Locale locale(kJapaneseLocale);
  const std::unique_ptr<icu::Calendar> calendar = CalendarAt(locale, time);

  UErrorCode status = U_ZERO_ERROR;
  const int32_t era = calendar->get(UCAL_ERA, status);
  const int32_t era_year = calendar->get(UCAL_YEAR, status);
  ThrowIfFailed(status, "date");
  // Before its first era ICU counts years of zero and below.
  if (era_year < 1) {
    throw std::runtime_error("results stamp: date before the first era");
  }

  // A formatter's symbols follow the locale's calendar; those built directly
  // from a locale are always Gregorian.
  const icu::SimpleDateFormat format(icu::UnicodeString(u"GGGG"), locale, status);
  ThrowIfFailed(status, "date format");
  int32_t era_count = 0;
  const icu::UnicodeString* era_names = format.getDateFormatSymbols()->getEraNames(era_count);
  if (era < 0 || era >= era_count) {
    throw std::runtime_error("results stamp: era without a name");
  }

  std::string stamp;
  era_names[era].toUTF8String(stamp);
  stamp += ' ';
  AppendPadded(stamp, era_year);
  stamp += "年";
  AppendPadded(stamp, time.month);
  stamp += "月";
  AppendPadded(stamp, time.day);
  stamp += "日";
  AppendPadded(stamp, time.hour);
  stamp += "時";
  AppendPadded(stamp, time.minute);
  stamp += "分";
  AppendPadded(stamp, time.second);
  stamp += "秒";
  return stamp;
}

}  // namespace tavosu
