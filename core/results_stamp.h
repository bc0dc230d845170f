// The era-dated time stamp of a results file.
//
// A stamp reads like "平成 16年05月08日15時43分51秒": the full name of the
// Japanese era, one space, the two-digit year within the era ("01" in an
// era's first year), then month, day, hour, minute and second, two digits
// each. Eras come from ICU's Japanese calendar.

#ifndef TAVOSU_CORE_RESULTS_STAMP_H_
#define TAVOSU_CORE_RESULTS_STAMP_H_

#include <string>

#include "core/clock.h"

namespace tavosu {

// Returns the stamp of time as UTF-8. The era follows from the date alone,
// read in the proleptic Gregorian calendar; neither the machine's time zone
// nor ICU's default zone takes part. An era year above 99 is printed with
// all its digits.
//
// time must be a valid date and time, no earlier than the first era ICU
// knows (the year 645). Throws std::runtime_error, and never returns a
// partial stamp, if it is not or if ICU fails (for instance without its
// Japanese calendar data).
std::string ResultsStamp(const LocalDateTime& time);

}  // namespace tavosu

#endif  // TAVOSU_CORE_RESULTS_STAMP_H_
