#include "core/question_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/scoring.h"
#include "loaded.h"

namespace tavosu {
namespace {

using testing::Loaded;
using testing::LoadedOf;

struct ParseCase {
  const char* name;
  std::string text;
  std::vector<Loaded> expected;
};

class ParseTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseTest, LoadsQuestionsAsExpected) {
  const QuestionSet set = ParseQuestionFile(GetParam().text);
  EXPECT_EQ(LoadedOf(set), GetParam().expected);
  EXPECT_EQ(set.CurrentIndex, 0);
  const std::size_t size = std::max<std::size_t>(1, GetParam().expected.size());
  EXPECT_EQ(set.Questions.size(), size);
  EXPECT_EQ(set.Answers.size(), size);
  EXPECT_EQ(set.Graded.size(), size);
  EXPECT_EQ(set.Correct.size(), size);
}

INSTANTIATE_TEST_SUITE_P(
    QuestionFile, ParseTest,
    ::testing::Values(
        ParseCase{"QuestionAndAnswer", "山 やま", {{"山", "やま", false}}},
        ParseCase{"RightMark", "山 やま ○", {{"山", "やま", true}}},
        ParseCase{"WrongMarkIsAskedAgain", "山 やま ×", {{"山", "やま", false}}},
        ParseCase{"OtherRemainder", "山 やま メモ", {{"山", "やま", false}}},
        ParseCase{"RightMarkAnywhereInRemainder", "山 やま ○×\n川 かわ x○\n空 そら メモ ○ です",
                  {{"山", "やま", true}, {"川", "かわ", true}, {"空", "そら", true}}},
        ParseCase{"RightMarkInAnswerDoesNotCount", "山 ○\n○ まる", {{"山", "○", false}, {"○", "まる", false}}},
        ParseCase{"TwoSpacesMakeEmptyAnswer", "山  やま", {{"山", "", false}}},
        ParseCase{"EmptyAnswerThenRightMark", "山  ○", {{"山", "", true}}},
        ParseCase{"TrailingSpace", "山 やま ", {{"山", "やま", false}}},
        ParseCase{"CommentSkipped", "# 注記\n山 やま", {{"山", "やま", false}}},
        ParseCase{"CommentWithoutSpace", "#注記\n山 やま", {{"山", "やま", false}}},
        ParseCase{"HashOnlyFirstCharacter", " # x\n山 #やま", {{"", "#", false}, {"山", "#やま", false}}},
        ParseCase{"FullWidthHashIsNoComment", "＃ 注記", {{"＃", "注記", false}}},
        ParseCase{"TabStaysInField", "山\tやま x", {{"山\tやま", "x", false}}},
        ParseCase{"IdeographicSpaceStaysInField", "山　やま x", {{"山　やま", "x", false}}},
        ParseCase{"CrLfLines", "山 やま\r\n川 かわ\r\n", {{"山", "やま", false}, {"川", "かわ", false}}},
        ParseCase{"LfLines", "山 やま\n川 かわ\n", {{"山", "やま", false}, {"川", "かわ", false}}},
        ParseCase{"LastLineWithoutEnd", "山 やま\r\n川 かわ", {{"山", "やま", false}, {"川", "かわ", false}}},
        ParseCase{"LoneCrLines", "山 やま\r川 かわ\r空 そら\r\n",
                  {{"山", "やま", false}, {"川", "かわ", false}, {"空", "そら", false}}},
        ParseCase{"CrRunBeforeLfEndsOneLine", "山 やま\r\r\n川 かわ\r\r\r\n",
                  {{"山", "やま", false}, {"川", "かわ", false}}},
        ParseCase{"LastLineEndsInCrRun", "山 やま\r\r", {{"山", "やま", false}}},
        ParseCase{"DoubledCrLfEmptyLineEndsList", "山 やま\r\r\n\r\r\n川 かわ", {{"山", "やま", false}}},
        ParseCase{"TwoLoneCrsMakeEmptyLine", "山 やま\r\r川 かわ\r", {{"山", "やま", false}}},
        ParseCase{"LoneCrBeforeRightMarkLine", "山 やま\r川 かわ ○\n", {{"山", "やま", false}, {"川", "かわ", true}}},
        ParseCase{"EmptyLineEndsList", "山 やま\r\n\r\n川 かわ\r\n", {{"山", "やま", false}}},
        ParseCase{"EmptyLineEndsListBeforeMalformedLine", "山 やま\n\n川\n", {{"山", "やま", false}}},
        ParseCase{"LineOfSpacesIsAQuestion", "山 やま\n \n川 かわ",
                  {{"山", "やま", false}, {"", "", false}, {"川", "かわ", false}}},
        ParseCase{"AnswerLongerThanABlockThenMore", "山 " + std::string(70'000, 'x') + "\n川 かわ\n空 そら",
                  {{"山", std::string(70'000, 'x'), false}, {"川", "かわ", false}, {"空", "そら", false}}},
        ParseCase{"EmptyFile", "", {}},
        ParseCase{"FirstLineEmpty", "\r\n山 やま\r\n", {}},
        ParseCase{"CommentsOnly", "# a\r\n#\r\n# b", {}},
        ParseCase{"ResultsFile",
                  "# 漢字テストの結果です。\r\n# テストを行った日時は、平成 16年05月08日15時43分51秒\r\n"
                  "#\r\n山 やま ○\r\n川 かわ ×\r\n空 そら\r\n# 正解は、 1/ 2/ 3 です。(50点)\r\n",
                  {{"山", "やま", true}, {"川", "かわ", false}, {"空", "そら", false}}}),
    [](const ::testing::TestParamInfo<ParseCase>& param_info) { return param_info.param.name; });

struct MalformedCase {
  const char* name;
  std::string text;
  LoadError::Reason reason;
};

class MalformedTest : public ::testing::TestWithParam<MalformedCase> {};

TEST_P(MalformedTest, Throws) {
  StringFile file(GetParam().text);
  try {
    LoadQuestionFile(file);
    FAIL() << "no error";
  } catch (const LoadError& e) {
    EXPECT_EQ(e.reason(), GetParam().reason) << e.what();
  }
}

std::string Lines(int count, const std::string& line) {
  std::string text;
  text.reserve(static_cast<std::size_t>(count) * (line.size() + 2));
  for (int i = 0; i < count; ++i) text += line + "\r\n";
  return text;
}

INSTANTIATE_TEST_SUITE_P(
    QuestionFile, MalformedTest,
    ::testing::Values(
        MalformedCase{"LineWithoutSpace", "山", LoadError::Reason::kMalformedLine},
        MalformedCase{"LaterLineWithoutSpace", "山 やま\r\n川\r\n", LoadError::Reason::kMalformedLine},
        MalformedCase{"LineWithNul", std::string("山 や\0ま", 11), LoadError::Reason::kMalformedLine},
        MalformedCase{"NulsInNeitherUtf16Order", std::string("a\0\0b c\n", 7),
                      LoadError::Reason::kMalformedLine},
        MalformedCase{"Utf16Nul", std::string("\xFF\xFEq\0\0\0 \0a\0", 10),
                      LoadError::Reason::kMalformedLine},
        MalformedCase{"CrSplitsLine", "山 や\rま\r\n", LoadError::Reason::kMalformedLine},
        MalformedCase{"TabIsNoSeparator", "山\tやま", LoadError::Reason::kMalformedLine},
        MalformedCase{"IdeographicSpaceIsNoSeparator", "山　やま", LoadError::Reason::kMalformedLine},
        MalformedCase{"TooManyQuestions", Lines(32768, "山 やま"), LoadError::Reason::kTooManyQuestions},
        MalformedCase{"TooManyQuestionsAmongComments", "# x\n" + Lines(32768, "q a"),
                      LoadError::Reason::kTooManyQuestions}),
    [](const ::testing::TestParamInfo<MalformedCase>& param_info) { return param_info.param.name; });

// A file of prefix and then filler without end; counts the bytes read.
class EndlessFile : public SequentialFile {
 public:
  EndlessFile(std::string prefix, std::string filler) : prefix_(std::move(prefix)), filler_(std::move(filler)) {}

  std::size_t Read(char* buffer, std::size_t size) override {
    for (std::size_t done = 0; done < size;) {
      const std::string_view from =
          read < prefix_.size() ? std::string_view(prefix_).substr(read)
                                : std::string_view(filler_).substr((read - prefix_.size()) % filler_.size());
      const std::size_t count = std::min(size - done, from.size());
      std::copy_n(from.data(), count, buffer + done);
      done += count;
      read += count;
    }
    return size;
  }

  std::size_t read = 0;

 private:
  std::string prefix_;
  std::string filler_;
};

struct EndlessCase {
  const char* name;
  std::string prefix;
  std::string filler;
  LoadError::Reason reason;
  std::size_t most_read;
};

class EndlessTest : public ::testing::TestWithParam<EndlessCase> {};

TEST_P(EndlessTest, FailsWithoutReadingTheRest) {
  EndlessFile file(GetParam().prefix, GetParam().filler);
  try {
    LoadQuestionFile(file);
    FAIL() << "no error";
  } catch (const LoadError& e) {
    EXPECT_EQ(e.reason(), GetParam().reason) << e.what();
  }
  EXPECT_LE(file.read, GetParam().most_read);
}

INSTANTIATE_TEST_SUITE_P(
    QuestionFile, EndlessTest,
    ::testing::Values(
        EndlessCase{"TooManyQuestionsEarly", Lines(32767, "山 やま"), "q a\r\n",
                    LoadError::Reason::kTooManyQuestions, Lines(32768, "山 やま").size() + (64 << 10)},
        EndlessCase{"ListPastLimit", "", "q " + std::string(4000, 'a') + "\r\n",
                    LoadError::Reason::kListTooLarge, kMaxListBytes + 1},
        EndlessCase{"ZeroBytes", "", std::string(4096, '\0'), LoadError::Reason::kListTooLarge,
                    kMaxListBytes + 1},
        EndlessCase{"Utf16ListPastLimit", "\xFF\xFE",
                    [] {
                      std::string line("q\0 \0", 4);
                      for (int i = 0; i < 4000; ++i) line.append("a\0", 2);
                      return line.append("\r\0\n\0", 4);
                    }(),
                    LoadError::Reason::kListTooLarge, kMaxListBytes + 1}),
    [](const ::testing::TestParamInfo<EndlessCase>& param_info) { return param_info.param.name; });

// Loads bytes, which must fail with reason.
void ExpectRefused(std::string_view bytes, LoadError::Reason reason) {
  StringFile file(bytes);
  try {
    LoadQuestionFile(file);
    ADD_FAILURE() << "loads";
  } catch (const LoadError& e) {
    EXPECT_EQ(e.reason(), reason) << e.what();
  }
}

// A list of exactly 64 MiB loads and one byte more is refused, in code page
// 932 and in UTF-16: a question with a long remainder, which its results
// file leaves out.
TEST(QuestionFileLimit, HoldsAListOfExactly64MiB) {
  constexpr std::size_t k64MiB = 67'108'864;
  const std::string cp932 = "q a " + std::string(k64MiB - 6, 'x') + "\r\nx";
  std::string utf16("\xFF\xFEq\0 \0a\0 \0", 10);
  utf16.resize(k64MiB - 4, 'x');
  for (std::size_t i = 11; i < utf16.size(); i += 2) utf16[i] = '\0';
  utf16.append("\r\0\n\0x", 5);
  for (const std::string_view one_byte_more : {std::string_view(cp932), std::string_view(utf16)}) {
    StringFile exact(one_byte_more.substr(0, k64MiB));
    EXPECT_EQ(LoadQuestionFile(exact).set.QuestionCount, 1);
    ExpectRefused(one_byte_more, LoadError::Reason::kListTooLarge);
  }
}

// The longest answers whose results file, graded right, still loads: 64 MiB
// less the 512 bytes left for the frame of the results file and the rest of
// its question lines. In UTF-16, "q", two spaces, "○" and CR LF take 7 units
// of two bytes. In UTF-8, a first line of 700 あ and "a" takes 2,108 bytes
// with its spaces, "○" and CR LF, the second line's "q", spaces, "○" and CR
// LF 8, and each stray byte of its answer 3, as the U+FFFD it is written as.
// Each results file loads again; one character more is refused.
TEST(QuestionFileLimit, LongestAnswersLoadAndSoDoTheirResultsFiles) {
  struct Case {
    std::string one_more;  // the file with one answer character more
    std::size_t character_bytes;
    std::size_t held_answer_bytes;  // of the longest answer
  };
  std::string utf16("\xFF\xFEq\0 \0", 6);
  utf16.resize(utf16.size() + 2 * 33'554'171, 'x');
  for (std::size_t i = 7; i < utf16.size(); i += 2) utf16[i] = '\0';
  std::string utf8;
  for (int i = 0; i < 700; ++i) utf8 += "あ";
  utf8 += " a\r\nq " + std::string(22'368'746, '\xFF');
  const Case cases[] = {{std::move(utf16), 2, 33'554'170}, {std::move(utf8), 1, 3 * 22'368'745}};
  for (const Case& c : cases) {
    ExpectRefused(c.one_more, LoadError::Reason::kListTooLarge);
    StringFile longest(std::string_view(c.one_more).substr(0, c.one_more.size() - c.character_bytes));
    LoadedQuestions loaded = LoadQuestionFile(longest);
    ASSERT_GE(loaded.set.QuestionCount, 1);
    const int last = loaded.set.QuestionCount - 1;
    EXPECT_EQ(loaded.set.Answers[last].size(), c.held_answer_bytes);
    loaded.set.Graded.assign(loaded.set.Graded.size(), true);
    loaded.set.Correct.assign(loaded.set.Correct.size(), true);
    const std::string results = ResultsFile(loaded.set, "令和 08年12月07日10時15分30秒", loaded.form);
    StringFile results_file(results);
    EXPECT_EQ(LoadQuestionFile(results_file).set.Answers[last].size(), c.held_answer_bytes);
  }
}

TEST(QuestionFileLimit, HoldsThe32767thQuestion) {
  const QuestionSet set = ParseQuestionFile("# x\r\n" + Lines(32767, "山 やま ○") + "# y\r\n");
  EXPECT_EQ(set.QuestionCount, 32767);
  EXPECT_EQ(set.Questions.size(), 32767u);
  EXPECT_EQ(set.Questions[32766], "山");
  EXPECT_TRUE(set.Correct[32766]);
}

}  // namespace
}  // namespace tavosu
