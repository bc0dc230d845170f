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

// Bytes spelled out in a literal, NUL bytes included.
template <std::size_t N>
std::string Bytes(const char (&literal)[N]) {
  return std::string(literal, N - 1);
}

std::string Repeated(const std::string& text, int count) {
  std::string repeated;
  for (int i = 0; i < count; ++i) repeated += text;
  return repeated;
}

LoadedQuestions Load(std::string_view bytes) {
  StringFile file(bytes);
  return LoadQuestionFile(file);
}

struct DetectCase {
  const char* name;
  std::string bytes;
  TextEncoding encoding;
  std::string text;
};

class DetectTest : public ::testing::TestWithParam<DetectCase> {};

TEST_P(DetectTest, ChoosesEncodingAndDecodes) {
  const LoadedQuestions loaded = Load(GetParam().bytes);
  const QuestionSet expected = ParseQuestionFile(GetParam().text);
  EXPECT_EQ(loaded.encoding, GetParam().encoding);
  EXPECT_EQ(loaded.set.Questions, expected.Questions);
  EXPECT_EQ(loaded.set.Answers, expected.Answers);
  EXPECT_EQ(loaded.set.Graded, expected.Graded);
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
                   TextEncoding::kUtf8, "a\xEF\xBF\xBD b\xEF\xBF\xBD"},
        // Half-width katakana pairs that pass for two-byte UTF-8: ﾈｺ ﾈｺ, ﾊｼ ﾎｼ.
        DetectCase{"KatakanaPairsLikeUtf8StayCp932", "\xC8\xBA \xC8\xBA\r\n\xCA\xBC \xCE\xBC",
                   TextEncoding::kCp932, "ﾈｺ ﾈｺ\r\nﾊｼ ﾎｼ"},
        DetectCase{"TwoByteUtf8OnlyIsCp932", "caf\xC3\xA9 cr\xC3\xA8me", TextEncoding::kCp932,
                   DecodeCp932("caf\xC3\xA9 cr\xC3\xA8me")},
        DetectCase{"OnlyTheListDecides", "山 やま ○\r\n\r\n\x8E\x52 \x82\xE2", TextEncoding::kUtf8,
                   "山 やま ○"},
        // A Latin-1 paste left one byte E9 in a UTF-8 file.
        DetectCase{"Utf8StrayByteInComment", "# 漢字の読み (from caf\xE9)\r\n山 やま\r\n川 かわ\r\n",
                   TextEncoding::kUtf8, "# \r\n山 やま\r\n川 かわ\r\n"},
        DetectCase{"Utf8StrayByteInQuestion", "# 漢字の読み\r\n山\xE9 やま\r\n川 かわ\r\n",
                   TextEncoding::kUtf8, "山\uFFFD やま\r\n川 かわ\r\n"},
        DetectCase{"Utf8StrayByteBeforeSettling", "山\xE9 やま\r\n" + Repeated("川 かわ\r\n", 2000),
                   TextEncoding::kUtf8, "山\uFFFD やま\r\n" + Repeated("川 かわ\r\n", 2000)},
        DetectCase{"Cp932DictionaryLines", EncodeCp932(Repeated("亜 あ /(n) Asia/ ○\n唖 あ /(n) mute/\n", 2000)),
                   TextEncoding::kCp932, Repeated("亜 あ /(n) Asia/ ○\n唖 あ /(n) mute/\n", 2000)},
        // 茉影 reads in UTF-8 as U+4749 and "e".
        DetectCase{"Cp932LikeValidUtf8", "\xE4\x9D\x89\x65 a", TextEncoding::kCp932, "茉影 a"},
        DetectCase{"Utf8AfterAsciiLines", Repeated("yama mountain\r\n", 5000) + "山 やま",
                   TextEncoding::kUtf8, Repeated("yama mountain\r\n", 5000) + "山 やま"},
        DetectCase{"Cp932SingleBytes", "\x80 \xA0\xFD\xFE\xFF", TextEncoding::kCp932,
                   "\u0080 \uF8F0\uF8F1\uF8F2\uF8F3"},
        DetectCase{"Utf16LittleEndianWithoutMark",
                   Bytes("#\0 \0\r\0\n\0q\0 \0a\0\r\0\n\0\x71\x5C \0\x84\x30 \0\xCB\x25"),
                   TextEncoding::kUtf16Le, "# \r\nq a\r\n山 や ○"},
        DetectCase{"Utf16BigEndianWithoutMark",
                   Bytes("\0#\0 \0\r\0\n\0q\0 \0a\0\r\0\n\x5C\x71\0 \x30\x84\0 \x25\xCB"),
                   TextEncoding::kUtf16Be, "# \r\nq a\r\n山 や ○"},
        DetectCase{"Utf16LoneCrsMakeEmptyLine", Bytes("\xFF\xFEq\0 \0a\0\r\0\r\0b\0 \0c\0"),
                   TextEncoding::kUtf16Le, "q a"},
        DetectCase{"Utf16CrRunBeforeLf", Bytes("\xFE\xFF\0q\0 \0a\0\r\0\r\0\n\0b\0 \0c"),
                   TextEncoding::kUtf16Be, "q a\nb c"},
        DetectCase{"Utf16LittleEndian",
                   Bytes("\xFF\xFE#\0 \0\r\0\n\0q\0 \0a\0\r\0\n\0\x71\x5C \0\x84\x30 \0\xCB\x25"),
                   TextEncoding::kUtf16Le, "# \r\nq a\r\n山 や ○"},
        DetectCase{"Utf16BigEndian",
                   Bytes("\xFE\xFF\0#\0 \0\r\0\n\0q\0 \0a\0\r\0\n\x5C\x71\0 \x30\x84\0 \x25\xCB"),
                   TextEncoding::kUtf16Be, "# \r\nq a\r\n山 や ○"},
        // 上 (U+4E0A) holds a byte 0A; 𠮷 is a surrogate pair.
        DetectCase{"Utf16LineFeedByteInCharacter",
                   Bytes("\xFF\xFE\x0A\x4E \0\x42\xD8\xB7\xDF\n\0\n\0z\0"), TextEncoding::kUtf16Le,
                   "上 𠮷"},
        DetectCase{"Utf16BigEndianLineFeedByteInCharacter", Bytes("\xFE\xFF\x4E\x0A\0 \x4E\x0A"),
                   TextEncoding::kUtf16Be, "上 上"},
        DetectCase{"Utf16UnpairedSurrogatesAndOddByte",
                   Bytes("\xFF\xFEq\0 \0\x00\xD8" "a\0\xDC\xDC \0b\0B"), TextEncoding::kUtf16Le,
                   "q \xEF\xBF\xBD" "a\xEF\xBF\xBD b\xEF\xBF\xBD"}),
    [](const ::testing::TestParamInfo<DetectCase>& param_info) { return param_info.param.name; });

// The same lines in every encoding load to the same set, UTF-16 also
// without its byte order mark.
TEST(TextEncoding, SameLinesLoadAlikeInEveryEncoding) {
  const std::string lines =
      "# 注記\r山 やま ○\r\r\n川 かわ ×\n空　そら ａ\r\n髙 たか\r①  いち\r\n\r\r\n海 うみ\r\n";
  const std::string files[] = {EncodeCp932(lines), lines, kBom + lines,
                               EncodeText(lines, TextEncoding::kUtf16Le),
                               EncodeText(lines, TextEncoding::kUtf16Be),
                               EncodeText(lines, TextEncoding::kUtf16Le).substr(2),
                               EncodeText(lines, TextEncoding::kUtf16Be).substr(2)};
  const QuestionSet expected = ParseQuestionFile(lines);
  ASSERT_EQ(expected.QuestionCount, 5);
  for (const std::string& bytes : files) {
    const QuestionSet set = Load(bytes).set;
    EXPECT_EQ(set.Questions, expected.Questions);
    EXPECT_EQ(set.Answers, expected.Answers);
    EXPECT_EQ(set.Graded, expected.Graded);
  }
}

// Unicode question files keep characters that code page 932 lacks, and
// their results files reload in their own encoding.
class UnicodeResultsTest : public ::testing::TestWithParam<TextEncoding> {};

TEST_P(UnicodeResultsTest, KeepCharactersOutsideCp932) {
  testing::RecordingWindow window;
  testing::FixedClock clock;
  testing::ScriptedRandom random;
  testing::MemoryFileSystem files;
  Drill drill(window, clock, random, files, "");
  files.files["q.txt"] = EncodeText("𠮷 よし\n𩸽 ほっけ\n㋿ れいわ ○\n", GetParam());
  drill.Read_Files("q.txt");
  drill.DisplayQuestion();
  drill.AnswerButtonClick();
  drill.NGButtonClick();  // 𠮷, the first ungraded
  drill.markButtonClick();
  const std::string results = files.files.at("採点-平成 16年05月08日15時43分51秒.txt");
  EXPECT_EQ(results, EncodeText("# 漢字テストの結果です。\r\n# テストを行った日時は、平成 16年05月08日15時43分51秒\r\n#\r\n"
                                "𠮷 よし ×\r\n𩸽 ほっけ\r\n㋿ れいわ ○\r\n# 正解は、 1/ 2/ 3 です。(50点)\r\n",
                                GetParam()));

  files.files["again.txt"] = results;
  drill.Read_Files("again.txt");
  EXPECT_EQ(testing::Texts(drill.questions().Questions), (std::vector<std::string>{"𠮷", "𩸽", "㋿"}));
  EXPECT_EQ(drill.questions().Graded, (std::vector<bool>{false, false, true}));
  drill.markButtonClick();
  EXPECT_EQ(Load(files.files.at("採点-平成 16年05月08日15時43分51秒.txt")).encoding, GetParam())
      << "still in the question file's encoding after the reload";
}

INSTANTIATE_TEST_SUITE_P(TextEncoding, UnicodeResultsTest,
                         ::testing::Values(TextEncoding::kUtf8, TextEncoding::kUtf16Le,
                                           TextEncoding::kUtf16Be));

}  // namespace
}  // namespace tavosu
