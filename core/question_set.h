// The questions of one drill, as loaded from a question file.
//
// Parallel arrays indexed from 0: the question and answer text of each
// question line (UTF-8), whether it has been graded and whether it was graded
// right. From the first load on the arrays hold at least one element, also
// when no question was loaded; elements at QuestionCount and beyond carry no
// meaning. Correct[i] is true only where Graded[i] is true.

#ifndef TAVOSU_CORE_QUESTION_SET_H_
#define TAVOSU_CORE_QUESTION_SET_H_

#include <cstdint>
#include <vector>

#include "core/text_list.h"

namespace tavosu {

struct QuestionSet {
  static constexpr int kMaxQuestions = 32767;

  TextList Questions;
  TextList Answers;
  std::vector<bool> Graded;
  std::vector<bool> Correct;
  std::int16_t QuestionCount = 0;
  std::int16_t CurrentIndex = 0;
};

}  // namespace tavosu

#endif  // TAVOSU_CORE_QUESTION_SET_H_
