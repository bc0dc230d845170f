// Scoring a drill: the results file and the summary message.
//
// The results file is itself a question file (core/question_format.h): three
// comment lines, one line per question in file order with a mark for the
// graded ones, and a score line. Loaded again, it drills only the questions
// not yet answered right.

#ifndef TAVOSU_CORE_SCORING_H_
#define TAVOSU_CORE_SCORING_H_

#include <string>

#include "core/question_set.h"
#include "core/text_encoding.h"

namespace tavosu {

struct Score {
  int answered = 0;  // questions graded
  int correct = 0;   // questions graded right
  int total = 0;     // questions loaded
};

Score CountScore(const QuestionSet& set);

// A count as text with one leading space for the sign: " 7", " 0".
std::string FormatCount(int n);

// correct * 100 / answered rounded half away from zero, without leading
// zeros; empty when it rounds to 0 or when nothing was answered.
std::string FormatPercent(const Score& score);

// The file name, without a folder, of the results file stamped stamp.
std::string ResultsFileName(const std::string& stamp);

// The bytes of the results file in form (CR LF line ends); stamp is the
// time shown in its second line.
std::string ResultsFile(const QuestionSet& set, const std::string& stamp, const TextForm& form);

// The message that shows the score after the file is written.
std::string SummaryMessage(const Score& score);

}  // namespace tavosu

#endif  // TAVOSU_CORE_SCORING_H_
