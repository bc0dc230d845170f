#include "core/scoring.h"

#include <cmath>

namespace tavosu {

namespace {

constexpr char kLineEnd[] = "\r\n";

}  // namespace

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

std::string ResultsFile(const QuestionSet& set, const std::string& stamp, TextEncoding encoding) {
  // The text is encoded a piece at a time, so that only the file's bytes
  // take memory in proportion to the set.
  constexpr std::size_t kPiece = 64 * 1024;
  std::string text = "# 漢字テストの結果です。";
  text += kLineEnd;
  text += "# テストを行った日時は、" + stamp + kLineEnd;
  text += "#";
  text += kLineEnd;
  std::string bytes = EncodeText(text, encoding);
  bytes.reserve(bytes.size() +
                MaxEncodedSize(set.Questions.bytes() + set.Answers.bytes() + 64 +
                                   static_cast<std::size_t>(set.QuestionCount) * 8,
                               encoding));
  text.clear();
  for (int i = 0; i < set.QuestionCount; ++i) {
    text += set.Questions[i];
    text += ' ';
    text += set.Answers[i];
    if (set.Graded[i]) text += set.Correct[i] ? " ○" : " ×";
    text += kLineEnd;
    if (text.size() >= kPiece) {
      AppendEncodedText(bytes, text, encoding);
      text.clear();
    }
  }
  const Score score = CountScore(set);
  text += "# 正解は、" + FormatCount(score.correct) + "/" + FormatCount(score.answered) + "/" +
          FormatCount(score.total) + " です。(" + FormatPercent(score) + "点)" + kLineEnd;
  AppendEncodedText(bytes, text, encoding);
  return bytes;
}

std::string SummaryMessage(const Score& score) {
  return FormatCount(score.answered) + "問中、" + FormatCount(score.correct) + "問正解です。(" +
         FormatPercent(score) + "点です)";
}

}  // namespace tavosu
