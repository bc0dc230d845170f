// The question file: one question per line, read into a QuestionSet.
//
// A line is "question answer [remainder]", fields split at the ASCII space
// alone. A line whose first character is "#" is a comment. A remainder that
// holds "○" marks the question as already graded right. The list ends at the
// end of the file or at the first empty line; lines end with CR LF or LF.

#ifndef TAVOSU_CORE_QUESTION_FILE_H_
#define TAVOSU_CORE_QUESTION_FILE_H_

#include <stdexcept>
#include <string>
#include <string_view>

#include "core/question_set.h"

namespace tavosu {

// Why a question file could not be loaded.
class LoadError : public std::runtime_error {
 public:
  enum class Reason { kCannotRead, kMalformedLine, kTooManyQuestions };

  LoadError(Reason reason, const std::string& what) : std::runtime_error(what), reason_(reason) {}
  Reason reason() const { return reason_; }

 private:
  Reason reason_;
};

// Parses decoded question-file text (UTF-8) into a fresh set with
// CurrentIndex 0. Throws LoadError (kMalformedLine for a question line
// without a space, kTooManyQuestions for a question line beyond
// QuestionSet::kMaxQuestions).
QuestionSet ParseQuestionFile(std::string_view text);

}  // namespace tavosu

#endif  // TAVOSU_CORE_QUESTION_FILE_H_
