#include "core/question_file.h"

namespace tavosu {

namespace {

constexpr std::string_view kRightMark = "○";

// Cuts the next line off text, without its end (LF, or CR LF). Returns false
// at the end of text.
bool NextLine(std::string_view& text, std::string_view& line) {
  if (text.empty()) return false;
  const std::size_t lf = text.find('\n');
  line = text.substr(0, lf);
  text.remove_prefix(lf == std::string_view::npos ? text.size() : lf + 1);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return true;
}

}  // namespace

QuestionSet ParseQuestionFile(std::string_view text) {
  QuestionSet set;
  int count = 0;
  int line_number = 0;
  std::string_view line;
  while (NextLine(text, line)) {
    ++line_number;
    if (line.empty()) break;
    if (line.front() == '#') continue;

    const std::size_t first_space = line.find(' ');
    if (first_space == std::string_view::npos) {
      throw LoadError(LoadError::Reason::kMalformedLine,
                      "line " + std::to_string(line_number) + " has no space");
    }
    if (count == QuestionSet::kMaxQuestions) {
      throw LoadError(LoadError::Reason::kTooManyQuestions,
                      "more than " + std::to_string(QuestionSet::kMaxQuestions) + " questions");
    }
    std::string_view rest = line.substr(first_space + 1);
    const std::size_t second_space = rest.find(' ');
    const std::string_view answer = rest.substr(0, second_space);
    const std::string_view remainder =
        second_space == std::string_view::npos ? std::string_view() : rest.substr(second_space + 1);
    const bool right = remainder.find(kRightMark) != std::string_view::npos;

    set.Questions.emplace_back(line.substr(0, first_space));
    set.Answers.emplace_back(answer);
    set.Graded.push_back(right);
    set.Correct.push_back(right);
    ++count;
  }
  if (count == 0) {
    set.Questions.resize(1);
    set.Answers.resize(1);
    set.Graded.resize(1);
    set.Correct.resize(1);
  }
  set.QuestionCount = static_cast<std::int16_t>(count);
  return set;
}

}  // namespace tavosu
