#include "core/text_encoding.h"

#include <gtest/gtest.h>

#include <string>

#include "core/cp932.h"
#include "core/drill.h"
#include "core/question_file.h"
#include "fakes.h"

namespace tavosu {
namespace {

constexpr char kBom[] = "\xEF\xBB\xBF";

struct DetectCase {
  const char* name;
  std::string bytes;
  TextEncoding encoding;
  std::string text;
};

class DetectTest : public ::testing::TestWithParam<DetectCase> {};

TEST_P(DetectTest, ChoosesEncodingAndDecodes) {
  const DecodedText decoded = DecodeText(GetParam().bytes);
  EXPECT_EQ(decoded.encoding, GetParam().encoding);
  EXPECT_EQ(decoded.text, GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    TextEncoding, DetectTest,
    ::testing::Values(
        DetectCase{"Cp932Japanese", "\x8E\x52 \x82\xE2\x82\xDC", TextEncoding::kCp932, "山 やま"},
        DetectCase{"Utf8Japanese", "山 やま", TextEncoding::kUtf8, "山 やま"},
        DetectCase{"Utf8WithByteOrderMark", std::string(kBom) + "# 注記\r\n山 やま", TextEncoding::kUtf8,
                   "# 注記\r\n山 やま"},
        DetectCase{"ByteOrderMarkOnly", kBom, TextEncoding::kUtf8, ""},
        DetectCase{"AsciiOnlyStaysCp932", "yama mountain\r\n", TextEncoding::kCp932, "yama mountain\r\n"},
        DetectCase{"EmptyStaysCp932", "", TextEncoding::kCp932, ""},
        // ﾃｽﾄ ﾃｽﾄ: C3 BD would pass as UTF-8, C4 20 does not.
        DetectCase{"HalfWidthKatakanaStaysCp932", "\xC3\xBD\xC4 \xC3\xBD\xC4", TextEncoding::kCp932,
                   "ﾃｽﾄ ﾃｽﾄ"},
        DetectCase{"InvalidUtf8FallsBackToCp932", "\xE5\xB1\xB1 \x82\xE2", TextEncoding::kCp932,
                   DecodeCp932("\xE5\xB1\xB1 \x82\xE2")},
        DetectCase{"TruncatedUtf8FallsBackToCp932", "山 や\xE3\x81", TextEncoding::kCp932,
                   DecodeCp932("山 や\xE3\x81")},
        DetectCase{"EncodedSurrogateIsNoUtf8", "\xED\xA0\x80 a", TextEncoding::kCp932,
                   DecodeCp932("\xED\xA0\x80 a")},
        DetectCase{"ByteOrderMarkThenInvalidIsRepaired", std::string(kBom) + "a\xFF b\xE3\x81",
                   TextEncoding::kUtf8, "a\xEF\xBF\xBD b\xEF\xBF\xBD"}),
    [](const ::testing::TestParamInfo<DetectCase>& param_info) { return param_info.param.name; });

// The same lines in every encoding load to the same set.
TEST(TextEncoding, SameLinesLoadAlikeInEveryEncoding) {
  const std::string lines = "# 注記\r\n山 やま ○\r\n川 かわ ×\r\n空　そら ａ\r\n髙 たか\r\n①  いち\r\n\r\n海 うみ\r\n";
  const std::string files[] = {EncodeCp932(lines), lines, kBom + lines};
  const QuestionSet expected = ParseQuestionFile(lines);
  ASSERT_EQ(expected.QuestionCount, 5);
  for (const std::string& bytes : files) {
    const QuestionSet set = ParseQuestionFile(DecodeText(bytes).text);
    EXPECT_EQ(set.Questions, expected.Questions);
    EXPECT_EQ(set.Answers, expected.Answers);
    EXPECT_EQ(set.Graded, expected.Graded);
  }
}

TEST(TextEncoding, Utf8ResultsKeepCharactersOutsideCp932) {
  testing::RecordingWindow window;
  testing::FixedClock clock;
  testing::ScriptedRandom random;
  testing::MemoryFileSystem files;
  Drill drill(window, clock, random, files);
  files.files["q.txt"] = "𠮷 よし\n𩸽 ほっけ\n㋿ れいわ ○\n";
  drill.Read_Files("q.txt");
  drill.DisplayQuestion();
  drill.AnswerButtonClick();
  drill.NGButtonClick();  // 𠮷, the first ungraded
  drill.markButtonClick();
  const std::string results = files.files.at("採点-平成 16年05月08日15時43分51秒.txt");
  EXPECT_EQ(results,
            "# 漢字テストの結果です。\r\n# テストを行った日時は、平成 16年05月08日15時43分51秒\r\n#\r\n"
            "𠮷 よし ×\r\n𩸽 ほっけ\r\n㋿ れいわ ○\r\n# 正解は、 1/ 2/ 3 です。(50点)\r\n");

  files.files["again.txt"] = results;
  drill.Read_Files("again.txt");
  EXPECT_EQ(drill.questions().Questions, (std::vector<std::string>{"𠮷", "𩸽", "㋿"}));
  EXPECT_EQ(drill.questions().Graded, (std::vector<bool>{false, false, true}));
  drill.markButtonClick();
  EXPECT_EQ(files.files.at("採点-平成 16年05月08日15時43分51秒.txt").substr(0, 3), "# \xE6")
      << "still UTF-8 after the reload";
}

}  // namespace
}  // namespace tavosu
