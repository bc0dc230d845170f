#include "core/scoring.h"

#include <cmath>

#include "core/question_format.h"

namespace tavosu {

namespace fmt = question_format;

Score CountScore(const QuestionSet& set) {
  Score score;
  score.total = set.QuestionCount;
  for (int i = 0; i < set.QuestionCount; ++i) {
    if (set.Graded[i]) {
      ++score.answered;
      if (set.Correct[i]) ++score.correct;
    }
  }
  return score;
}

std::string FormatCount(int n) { return " " + std::to_string(n); }

std::string FormatPercent(const Score& score) {
  if (score.answered == 0) return "";
  const double rounded = std::round(score.correct * 100.0 / score.answered);
  return rounded == 0 ? "" : std::to_string(static_cast<int>(rounded));
}

std::string ResultsFileName(const std::string& stamp) { return "採点-" + stamp + ".txt"; }

std::string ResultsFile(const QuestionSet& set, const std::string& stamp, const TextForm& form) {
  // The text is encoded a piece at a time, so that only the file's bytes
  // take memory in proportion to the set.
  constexpr std::size_t kPiece = 64 * 1024;
  std::string text(fmt::kTitleLine);
  text += fmt::kLineEnd;
  text += fmt::kStampLinePrefix;
  text += stamp;
  text += fmt::kLineEnd;
  text += fmt::kBlankComment;
  text += fmt::kLineEnd;
  std::string bytes = EncodeText(text, form);
  bytes.reserve(bytes.size() +
                MaxEncodedSize(set.Questions.bytes() + set.Answers.bytes() + 64 +
                                   static_cast<std::size_t>(set.QuestionCount) * 8,
                               form.encoding));
  text.clear();
  for (int i = 0; i < set.QuestionCount; ++i) {
    text += set.Questions[i];
    text += fmt::kFieldSpace;
    text += set.Answers[i];
    if (set.Graded[i]) {
      text += fmt::kFieldSpace;
      text += set.Correct[i] ? fmt::kRightMark : fmt::kWrongMark;
    }
    text += fmt::kLineEnd;
    if (text.size() >= kPiece) {
      AppendEncodedText(bytes, text, form.encoding);
      text.clear();
    }
  }
  const Score score = CountScore(set);
  text += fmt::kScorePrefix;
  text += FormatCount(score.correct);
  text += fmt::kScoreSeparator;
  text += FormatCount(score.answered);
  text += fmt::kScoreSeparator;
  text += FormatCount(score.total);
  text += fmt::kPercentPrefix;
  text += FormatPercent(score);
  text += fmt::kPercentSuffix;
  text += fmt::kLineEnd;
  AppendEncodedText(bytes, text, form.encoding);
  return bytes;
}

std::string SummaryMessage(const Score& score) {
  return FormatCount(score.answered) + "問中、" + FormatCount(score.correct) + "問正解です。(" +
         FormatPercent(score) + "点です)";
}

}  // namespace tavosu
