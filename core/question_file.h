// The question file read into a QuestionSet; core/question_format.h gives
// its grammar, core/line_reader.h its line ends and core/text_encoding.h its
// encodings.

#ifndef TAVOSU_CORE_QUESTION_FILE_H_
#define TAVOSU_CORE_QUESTION_FILE_H_

#include <cstddef>
#include <string_view>

#include "core/file_system.h"
#include "core/load_error.h"
#include "core/question_set.h"
#include "core/text_encoding.h"

namespace tavosu {

// The most bytes a question list may take, counted from the start of the
// file to the end of the line that ends the list, and the most its results
// file may take, so that the results file always loads again. No real
// question file comes near it; it bounds the time and memory that a wrong
// file (a disk image, a log) can take.
inline constexpr std::size_t kMaxListBytes = std::size_t{64} << 20;

struct LoadedQuestions {
  QuestionSet set;
  TextForm form;
};

// Reads the question list of file, in whichever encoding it is, into a
// fresh set with CurrentIndex 0. Reads the file in pieces and stops at the
// end of the list, or at the first line that makes it fail: throws LoadError
// (kMalformedLine for a line that holds a NUL and a question line without a
// space, kTooManyQuestions for a question line beyond
// QuestionSet::kMaxQuestions, kListTooLarge for a list or a results file
// longer than kMaxListBytes) and FileError when the file cannot be read.
LoadedQuestions LoadQuestionFile(SequentialFile& file);

// Parses question-file text already in UTF-8, as LoadQuestionFile does a
// file; an ill-formed UTF-8 sequence reads as U+FFFD.
QuestionSet ParseQuestionFile(std::string_view text);

}  // namespace tavosu

#endif  // TAVOSU_CORE_QUESTION_FILE_H_
