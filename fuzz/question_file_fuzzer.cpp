// Fuzz target for the question-file loader: any bytes a user may open.
//
// Decodes the bytes as the program does, parses them, and when the file
// loads, checks the question set's invariants and that the results file
// written for it loads back to the same questions. A violated property
// traps, which the fuzzer reports as a crash.


#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/cp932.h"
#include "core/question_file.h"
#include "core/question_set.h"
#include "core/scoring.h"
#include "core/text_encoding.h"

namespace tavosu {
namespace {

void Require(bool holds) {
  if (!holds) __builtin_trap();
}

// A field as it reads back from a results file in encoding: characters that
// code page 932 lacks come back as "?".
std::string ThroughFile(const std::string& field, TextEncoding encoding) {
  return encoding == TextEncoding::kUtf8 ? field : DecodeCp932(EncodeCp932(field));
}

// A question or an answer: one field of one line.
void CheckField(const std::string& field) {
  Require(field.find_first_of("\n ") == std::string::npos);
  Require(IsValidUtf8(field));
}

void CheckInvariants(const QuestionSet& set) {
  Require(set.QuestionCount >= 0 && set.QuestionCount <= QuestionSet::kMaxQuestions);
  Require(set.CurrentIndex == 0);
  const std::size_t size = std::max<std::size_t>(1, static_cast<std::size_t>(set.QuestionCount));
  Require(set.Questions.size() == size);
  Require(set.Answers.size() == size);
  Require(set.Graded.size() == size);
  Require(set.Correct.size() == size);
  for (int i = 0; i < set.QuestionCount; ++i) {
    Require(!set.Correct[i] || set.Graded[i]);
    CheckField(set.Questions[i]);
    CheckField(set.Answers[i]);
  }
}

// Writes the results file of set in encoding, reads it back and checks
// that it holds the same questions, graded where set had them right. The
// header line tells the encoding apart on the way back: in code page 932 its
// first non-ASCII byte cannot begin UTF-8, and in UTF-8 it is valid UTF-8
// with high bytes.
void CheckResultsRoundTrip(const QuestionSet& set, TextEncoding encoding) {
  const std::string bytes =
      EncodeText(ResultsFileText(set, "平成 16年05月08日15時43分51秒"), encoding);
  const DecodedText reread = DecodeText(bytes);
  Require(reread.encoding == encoding);
  QuestionSet reloaded;
  try {
    reloaded = ParseQuestionFile(reread.text);
  } catch (const LoadError&) {
    __builtin_trap();
  }
  CheckInvariants(reloaded);
  Require(reloaded.QuestionCount == set.QuestionCount);
  for (int i = 0; i < set.QuestionCount; ++i) {
    Require(reloaded.Questions[i] == ThroughFile(set.Questions[i], encoding));
    Require(reloaded.Answers[i] == ThroughFile(set.Answers[i], encoding));
    Require(reloaded.Graded[i] == (set.Graded[i] && set.Correct[i]));
  }
}

}  // namespace
}  // namespace tavosu

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tavosu;
  const DecodedText decoded =
      DecodeText(std::string_view(reinterpret_cast<const char*>(data), size));
  Require(IsValidUtf8(decoded.text));
  QuestionSet set;
  try {
    set = ParseQuestionFile(decoded.text);
  } catch (const LoadError&) {
    return 0;
  }
  CheckInvariants(set);
  CheckResultsRoundTrip(set, decoded.encoding);
  return 0;
}
