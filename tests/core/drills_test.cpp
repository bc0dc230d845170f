// The ready drills as the build wrote them: every file loads through the
// program's loader, and each school year and 高校 has the four sets, their
// readings in the kana each set answers in.

#include <gtest/gtest.h>
#include <unicode/uniset.h>

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <utility>

#include "core/question_file.h"

namespace tavosu {
namespace {

icu::UnicodeSet Set(const char16_t* pattern) {
  UErrorCode status = U_ZERO_ERROR;
  return icu::UnicodeSet(pattern, status);
}

TEST(Drills, EveryFileLoadsWithAtMost100QuestionsReadInTheKanaOfItsSet) {
  const icu::UnicodeSet katakana = Set(u"[[ァ-ヺ]、]"), hiragana = Set(u"[[ぁ-ゖ]、]");
  // The set, and which of question and answer is a reading, in which kana.
  const std::map<std::string, std::pair<bool, const icu::UnicodeSet*>> sets = {
      {"音読み", {false, &katakana}}, {"訓読み", {false, &hiragana}},
      {"熟語の読み", {false, &hiragana}}, {"漢字の書き", {true, &hiragana}}};
  for (const char* year :
       {"小学1年", "小学2年", "小学3年", "小学4年", "小学5年", "小学6年", "中学", "高校"}) {
    std::set<std::string> found;
    const std::string folder = std::string(TAVOSU_DRILLS_DIR) + "/" + year;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      const std::string name = entry.path().stem().string();
      const auto& [reading_asked, kana] = sets.at(name.substr(0, name.rfind('-')));
      found.insert(name.substr(0, name.rfind('-')));
      const QuestionSet set =
          LoadQuestionFile(*DefaultFileSystem()->OpenForReading(entry.path())).set;
      EXPECT_GT(set.QuestionCount, 0) << entry.path();
      EXPECT_LE(set.QuestionCount, 100) << entry.path();
      for (int i = 0; i < set.QuestionCount; ++i) {
        const std::string_view reading = reading_asked ? set.Questions[i] : set.Answers[i];
        EXPECT_TRUE(kana->containsAll(icu::UnicodeString::fromUTF8(reading))) << set.Questions[i];
      }
    }
    EXPECT_EQ(found.size(), sets.size()) << year;
  }
}

}  // namespace
}  // namespace tavosu
