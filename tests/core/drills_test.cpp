// The ready drills as the build wrote them, checked against KANJIDIC read
// here on its own.

#include <gtest/gtest.h>
#include <unicode/uniset.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "core/question_file.h"

namespace tavosu {
namespace {

icu::UnicodeSet Set(const char16_t* pattern) {
  UErrorCode status = U_ZERO_ERROR;
  return icu::UnicodeSet(pattern, status);
}

TEST(Drills, KanjiAreTheirGradesAndWordsUseKanjiOfTheirYearOrEarlierAndOneOfIt) {
  std::map<UChar32, int> grades;  // KANJIDIC's grade of each kanji that has one
  std::ifstream kanjidic(TAVOSU_KANJIDIC);
  for (std::string line; std::getline(kanjidic, line);) {
    const icu::UnicodeString text(line.data(), static_cast<int32_t>(line.size()), "EUC-JP");
    const int32_t g = text.indexOf(u" G") + 2;
    if (g > 2 && text[g] >= u'1' && text[g] <= u'9' && text[g + 1] == u' ') grades[text[0]] = text[g] - u'0';
  }
  const icu::UnicodeSet kana = Set(u"[[ぁ-ゖ][ァ-ヺ]ー]"), answers = Set(u"[[ぁ-ゖ][ァ-ヺ]ー、()]");
  for (const auto& [year, grade] : {std::pair{"小学1年", 1}, {"小学2年", 2}, {"小学3年", 3},
                                    {"小学4年", 4}, {"小学5年", 5}, {"小学6年", 6}, {"中学", 8}}) {
    std::set<UChar32> expected, found;
    for (const auto& [kanji, g] : grades) if (g == grade) expected.insert(kanji);
    for (const auto& entry : std::filesystem::directory_iterator(std::string(TAVOSU_DRILLS_DIR) + "/" + year)) {
      const bool kanji_set = entry.path().filename().string().starts_with("漢字の読み-");
      const QuestionSet set = LoadQuestionFile(*DefaultFileSystem()->OpenForReading(entry.path())).set;
      EXPECT_LE(set.QuestionCount, 100) << entry.path();
      for (int i = 0; i < set.QuestionCount; ++i) {
        const auto question = icu::UnicodeString::fromUTF8(set.Questions[i]);
        EXPECT_TRUE(answers.containsAll(icu::UnicodeString::fromUTF8(set.Answers[i]))) << set.Questions[i];
        if (kanji_set) found.insert(question.countChar32() == 1 ? question.char32At(0) : 0);
        int latest = 0;
        for (int32_t c = 0; !kanji_set && c < question.length(); c = question.moveIndex32(c, 1)) {
          const UChar32 k = question.char32At(c);
          if (kana.contains(k) || k == u'々') continue;
          EXPECT_TRUE(grades.contains(k) && grades[k] <= grade) << set.Questions[i];
          latest = std::max(latest, grades[k]);
        }
        EXPECT_TRUE(kanji_set || latest == grade) << set.Questions[i];
      }
    }
    EXPECT_EQ(found, expected) << year;
  }
}

}  // namespace
}  // namespace tavosu
