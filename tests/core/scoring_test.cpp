#include "core/scoring.h"

#include <gtest/gtest.h>

#include <exception>
#include <new>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>

#include "core/cp932.h"
#include "core/drill.h"
#include "core/question_file.h"
#include "core/question_format.h"
#include "fakes.h"

namespace tavosu {
namespace {

using testing::FixedClock;
using testing::MemoryFileSystem;
using testing::RecordingWindow;
using testing::ScriptedRandom;

const char kStampedName[] = "採点-平成 16年05月08日15時43分51秒.txt";
// Where the program's own drills are, and their results go, as the window
// would say.
const std::string kDrills = "/usr/share/tavosu/drills";
const std::string kResults = "/home/u/ドキュメント/Tavosu";

// The three header lines of a results file scored on 2004-05-08 at
// 15:43:51, in ISO-2022-JP, code page 932 and EUC-JP.
const std::string kCp932Header =
    "# \x8A\xBF\x8E\x9A\x83" "e\x83X\x83g\x82\xCC\x8C\x8B\x89\xCA\x82\xC5\x82\xB7\x81" "B\r\n"
    "# \x83" "e\x83X\x83g\x82\xF0\x8Ds\x82\xC1\x82\xBD\x93\xFA\x8E\x9E\x82\xCD\x81" "A\x95\xBD\x90\xAC 16\x94N05\x8C\x8E" "08\x93\xFA" "15\x8E\x9E" "43\x95\xAA" "51\x95" "b\r\n"
    "#\r\n";
const std::string kIso2022JpHeader =
    "# \x1B$B4A;z%F%9%H$N7k2L$G$9!#\x1B(B\r\n"
    "# \x1B$B%F%9%H$r9T$C$?F|;~$O!\"J?@.\x1B(B 16\x1B$BG/\x1B(B05\x1B$B7n\x1B(B08\x1B$BF|\x1B(B15\x1B$B;~\x1B(B43\x1B$BJ,\x1B(B51\x1B$BIC\x1B(B\r\n"
    "#\r\n";
const std::string kEucJpHeader =
    "# \xB4\xC1\xBB\xFA\xA5\xC6\xA5\xB9\xA5\xC8\xA4\xCE\xB7\xEB\xB2\xCC\xA4\xC7\xA4\xB9\xA1\xA3\r\n"
    "# \xA5\xC6\xA5\xB9\xA5\xC8\xA4\xF2\xB9\xD4\xA4\xC3\xA4\xBF\xC6\xFC\xBB\xFE\xA4\xCF\xA1\xA2\xCA\xBF\xC0\xAE 16\xC7\xAF" "05\xB7\xEE" "08\xC6\xFC" "15\xBB\xFE" "43\xCA\xAC" "51\xC9\xC3\r\n"
    "#\r\n";

// Code page 932 bytes of the results file of 山 (right), 川 (wrong) and 空
// (not graded).
const std::string kExampleResults =
    kCp932Header +
    "\x8ER \x82\xE2\x82\xDC \x81\x9B\r\n"
    "\x90\xEC \x82\xA9\x82\xED \x81~\r\n"
    "\x8B\xF3 \x82\xBB\x82\xE7\r\n"
    "# \x90\xB3\x89\xF0\x82\xCD\x81" "A 1/ 2/ 3 \x82\xC5\x82\xB7\x81" "B(50\x93_)\r\n";

struct PercentCase {
  int correct;
  int answered;
  const char* expected;
};

TEST(FormatPercent, RoundsHalfAwayFromZeroAndHidesZero) {
  const PercentCase cases[] = {{7, 9, "78"}, {9, 9, "100"}, {1, 8, "13"},  {3, 8, "38"},
                               {0, 5, ""},   {0, 0, ""},    {1, 200, "1"}, {1, 201, ""},
                               {1, 3, "33"}, {2, 3, "67"},  {1, 2, "50"}};
  for (const PercentCase& c : cases) {
    EXPECT_EQ(FormatPercent({c.answered, c.correct, 9}), c.expected)
        << c.correct << " of " << c.answered;
  }
}

// What the loader leaves room for besides the question lines holds the
// largest counts, a stamp with a four-character era, and UTF-16's mark.
TEST(ResultsFile, FrameFitsTheRoomTheLoaderLeaves) {
  QuestionSet set;
  for (int i = 0; i < QuestionSet::kMaxQuestions; ++i) {
    set.Questions.push_back("");
    set.Answers.push_back("");
  }
  set.Graded.assign(QuestionSet::kMaxQuestions, true);
  set.Correct.assign(QuestionSet::kMaxQuestions, true);
  set.QuestionCount = QuestionSet::kMaxQuestions;
  const std::string bytes = ResultsFile(set, "天平勝宝 99年12月31日23時59分59秒", TextEncoding::kUtf16Le);
  const std::size_t question_lines =
      QuestionSet::kMaxQuestions * (EncodeText("  ○\r\n", TextEncoding::kUtf16Le).size() - 2);
  EXPECT_LE(bytes.size() - question_lines, question_format::kMaxFrameBytes);
}

TEST(FormatCount, LeadsWithSignSpace) {
  EXPECT_EQ(FormatCount(0), " 0");
  EXPECT_EQ(FormatCount(7), " 7");
  EXPECT_EQ(FormatCount(32767), " 32767");
}

class ScoringTest : public ::testing::Test {
 protected:
  void Open(const std::string& path) {
    drill.Read_Files(path);
    drill.DisplayQuestion();
  }
  // Loads text (UTF-8 written as code page 932) as a question file.
  void OpenText(const std::string& path, const std::string& text) {
    files.files[path] = text;
    Open(path);
  }
  std::string Results() { return files.files.at(kStampedName); }

  RecordingWindow window;
  FixedClock clock;
  ScriptedRandom random;
  MemoryFileSystem files;
  Drill drill{window, clock, random, files, {kDrills, kResults}};
};

TEST_F(ScoringTest, WritesTheResultsFileByteForByte) {
  // 山 やま, 川 かわ, 空 そら; the picker starts at the top each time.
  files.files["q.txt"] =
      "\x8ER \x82\xE2\x82\xDC\r\n\x90\xEC \x82\xA9\x82\xED\r\n\x8B\xF3 \x82\xBB\x82\xE7\r\n";
  Open("q.txt");
  drill.AnswerButtonClick();
  drill.GoodButtonClick();
  drill.AnswerButtonClick();
  drill.NGButtonClick();
  window.messages.clear();
  drill.markButtonClick();
  EXPECT_EQ(Results(), kExampleResults);
  EXPECT_EQ(window.messages, (std::vector<std::string>{" 2問中、 1問正解です。(50点です)"}));
}

// A results file keeps the form of its question file: a byte order mark
// before code page 932, EUC-JP byte for byte, half-width katakana and JIS X
// 0212 included, and ISO-2022-JP.
TEST_F(ScoringTest, KeepsTheFormOfTheQuestionFile) {
  const std::pair<std::string, std::string> files_and_results[] = {
      // 山 やま
      {"\xEF\xBB\xBF\x8E\x52 \x82\xE2\x82\xDC\r\n",
       "\xEF\xBB\xBF" + kCp932Header +
           "\x8ER \x82\xE2\x82\xDC\r\n# \x90\xB3\x89\xF0\x82\xCD\x81" "A 0/ 0/ 1 \x82\xC5\x82\xB7\x81" "B(\x93_)\r\n"},
      // ﾃｽﾄ てすと ×, 丂 こう ○, 山 やま
      {"\x8E\xC3\x8E\xBD\x8E\xC4 \xA4\xC6\xA4\xB9\xA4\xC8 \xA1\xDF\r\n\x8F\xB0\xA1 \xA4\xB3\xA4\xA6 \xA1\xFB\r\n"
       "\xBB\xB3 \xA4\xE4\xA4\xDE\r\n",
       kEucJpHeader +
           "\x8E\xC3\x8E\xBD\x8E\xC4 \xA4\xC6\xA4\xB9\xA4\xC8\r\n\x8F\xB0\xA1 \xA4\xB3\xA4\xA6 \xA1\xFB\r\n"
           "\xBB\xB3 \xA4\xE4\xA4\xDE\r\n"
           "# \xC0\xB5\xB2\xF2\xA4\xCF\xA1\xA2 1/ 1/ 3 \xA4\xC7\xA4\xB9\xA1\xA3(100\xC5\xC0)\r\n"},
      // In ISO-2022-JP: ｶﾞｯｺｳ 学校 ×, ¥ えん ○, 纊 こう; each line back to
      // ASCII before its line end.
      {"\x1B(I6^/:3\x1B(B \x1B$B3X9;\x1B(B \x1B$B!_\x1B(B\r\n\x1B(J\\\x1B(B \x1B$B$($s\x1B(B \x1B$B!{\x1B(B\r\n"
       "\x1B$By!\x1B(B \x1B$B$3$&\x1B(B\r\n",
       kIso2022JpHeader +
           "\x1B(I6^/:3\x1B(B \x1B$B3X9;\x1B(B\r\n\x1B(J\\ \x1B$B$($s\x1B(B \x1B$B!{\x1B(B\r\n"
           "\x1B$By!\x1B(B \x1B$B$3$&\x1B(B\r\n"
           "# \x1B$B@52r$O!\"\x1B(B 1/ 1/ 3 \x1B$B$G$9!#\x1B(B(100\x1B$BE@\x1B(B)\r\n"},
  };
  for (const auto& [file, results] : files_and_results) {
    files.files["q.txt"] = file;
    Open("q.txt");
    drill.markButtonClick();
    EXPECT_EQ(Results(), results);
    files.files["q.txt"] = Results();
    Open("q.txt");
    drill.markButtonClick();
    EXPECT_EQ(Results(), results) << "after a reload";
  }
}

TEST_F(ScoringTest, StampsNameAndSecondLineFromSeparateReadings) {
  class TickingClock : public Clock {
   public:
    LocalDateTime Now() override { return {2019, 4, 30, 23, 59, 58 + ticks++}; }
    int ticks = 0;
  } ticking;
  Drill ticking_drill(window, ticking, random, files, {});
  files.files["q.txt"] = "a b\r\n";
  ticking_drill.Read_Files("q.txt");
  ticking_drill.markButtonClick();
  const std::string name = "採点-平成 31年04月30日23時59分58秒.txt";
  ASSERT_EQ(files.files.count(name), 1u);
  EXPECT_NE(DecodeCp932(files.files[name]).find("は、平成 31年04月30日23時59分59秒\r\n"),
            std::string::npos);
}

TEST_F(ScoringTest, NothingAnsweredLeavesPercentEmpty) {
  OpenText("empty.txt", "");
  window.messages.clear();
  drill.markButtonClick();
  EXPECT_EQ(DecodeCp932(Results()),
            "# 漢字テストの結果です。\r\n# テストを行った日時は、平成 16年05月08日15時43分51秒\r\n"
            "#\r\n# 正解は、 0/ 0/ 0 です。(点)\r\n");
  EXPECT_EQ(window.messages, (std::vector<std::string>{" 0問中、 0問正解です。(点です)"}));
}

TEST_F(ScoringTest, NothingGradedWritesUnmarkedLines) {
  OpenText("q.txt", EncodeCp932("山 やま ×\r\n川 かわ メモ\r\n"));
  drill.markButtonClick();
  EXPECT_EQ(DecodeCp932(Results()).substr(DecodeCp932(Results()).find("#\r\n") + 3),
            "山 やま\r\n川 かわ\r\n# 正解は、 0/ 0/ 2 です。(点)\r\n");
}

TEST_F(ScoringTest, ResultsReloadToDrillWhatWasNotRight) {
  // Graded in file order: the picker always starts at the top.
  OpenText("q.txt", EncodeCp932("# 注記\r\n山 やま\r\n川  ○\r\n空  \r\n海 うみ メモ\r\n森 \r\n"));
  ASSERT_TRUE(drill.questions().Graded[1]);
  drill.AnswerButtonClick();
  drill.NGButtonClick();  // 山
  drill.AnswerButtonClick();
  drill.GoodButtonClick();  // 空
  drill.markButtonClick();
  EXPECT_EQ(DecodeCp932(Results()).substr(DecodeCp932(Results()).find("#\r\n") + 3),
            "山 やま ×\r\n川  ○\r\n空  ○\r\n海 うみ\r\n森 \r\n# 正解は、 2/ 3/ 5 です。(67点)\r\n");
  files.files["again.txt"] = Results();
  drill.Read_Files("again.txt");
  const QuestionSet& set = drill.questions();
  ASSERT_EQ(set.QuestionCount, 5);
  EXPECT_EQ(testing::Texts(set.Questions), (std::vector<std::string>{"山", "川", "空", "海", "森"}));
  EXPECT_EQ(testing::Texts(set.Answers), (std::vector<std::string>{"やま", "", "", "うみ", ""}));
  EXPECT_EQ(set.Graded, (std::vector<bool>{false, true, true, false, false}));
  EXPECT_EQ(set.Correct, set.Graded);
}

TEST_F(ScoringTest, ScoringTwiceReplacesTheFile) {
  OpenText("q.txt", "a b\r\nc d\r\n");
  drill.markButtonClick();
  drill.AnswerButtonClick();
  drill.GoodButtonClick();
  drill.markButtonClick();
  EXPECT_EQ(files.files.size(), 2u);
  EXPECT_NE(Results().find(" 1/ 1/ 2 "), std::string::npos);
}

TEST_F(ScoringTest, FailedWriteIsReportedAndChangesNothing) {
  struct Failure {
    std::exception_ptr error;
    std::string reason;
  };
  const Failure failures[] = {
      {std::make_exception_ptr(FileError("disk full", "ディスクの空き容量が足りません。")),
       "ディスクの空き容量が足りません。"},
      {std::make_exception_ptr(std::bad_alloc()), "メモリーが足りません。"},
      {std::make_exception_ptr(std::runtime_error("no calendar")),
       "予期しないエラーが起きました（no calendar）。"},
  };
  OpenText("q.txt", "a b\r\nc d\r\ne f\r\n");
  for (const Failure& failure : failures) {
    drill.AnswerButtonClick();
    window.TakeCalls();
    files.throws[kStampedName] = failure.error;
    drill.markButtonClick();
    // The user cancels the choice of another place.
    EXPECT_EQ(window.TakeCalls(),
              (std::vector<std::string>{"message 採点の結果を保存できませんでした。\n" + failure.reason,
                                        std::string("choose ") + kStampedName + " in "}));
    EXPECT_EQ(files.files.size(), 1u);
    drill.GoodButtonClick();  // the drill goes on
  }
  EXPECT_EQ(CountScore(drill.questions()).correct, 3);
  clock.time = {600, 1, 1, 0, 0, 0};  // before the first era: no results to save anywhere
  window.TakeCalls();
  drill.markButtonClick();
  EXPECT_EQ(window.TakeCalls().size(), 1u);
}

TEST_F(ScoringTest, UnwritableFolderAsksOnceForEveryFileOfThatFolder) {
  OpenText("/ro/q.txt", EncodeCp932("山 やま\r\n"));
  const std::string read_only = "/ro/" + std::string(kStampedName);
  files.throws[read_only] = std::make_exception_ptr(FileError("read-only", "読み取り専用です。"));
  files.throws["/ro/mine.txt"] = files.throws[read_only];
  window.places = {"/ro/mine.txt", "/docs/mine.txt"};
  window.TakeCalls();
  drill.markButtonClick();
  const std::string cannot_save = "message 採点の結果を保存できませんでした。\n読み取り専用です。";
  EXPECT_EQ(window.TakeCalls(),
            (std::vector<std::string>{cannot_save, "choose " + std::string(kStampedName) + " in /ro/",
                                      cannot_save, "choose mine.txt in /ro/",
                                      "next open /docs/mine.txt",
                                      "message  0問中、 0問正解です。(点です)"}));
  const std::string bytes = files.files.at("/docs/mine.txt");
  // Every question file of that folder now scores straight into the folder
  // chosen; one from another folder does not.
  OpenText("/ro/other.txt", EncodeCp932("山 やま\r\n"));
  window.TakeCalls();
  drill.markButtonClick();
  EXPECT_EQ(window.TakeCalls().front(), "next open /docs/" + std::string(kStampedName));
  EXPECT_EQ(files.files.at("/docs/" + std::string(kStampedName)), bytes);
  OpenText("/rw/q.txt", EncodeCp932("山 やま\r\n"));
  window.TakeCalls();
  drill.markButtonClick();
  EXPECT_EQ(window.TakeCalls(), (std::vector<std::string>{"message  0問中、 0問正解です。(点です)"}));
  EXPECT_EQ(files.files.at("/rw/" + std::string(kStampedName)), bytes);
}

TEST_F(ScoringTest, NameChosenWithoutAFolderGoesIntoTheWorkingFolder) {
  OpenText("q.txt", EncodeCp932("山 やま\r\n"));
  files.throws[kStampedName] = std::make_exception_ptr(FileError("read-only", "読み取り専用です。"));
  window.places = {"mine.txt"};
  drill.markButtonClick();
  EXPECT_EQ(files.files.count("mine.txt"), 1u);
}

// A ready drill scores into the learner's folder for it, and the next Open
// starts there; its results file, opened there, scores beside itself.
TEST_F(ScoringTest, ReadyDrillScoresIntoTheLearnersFolderForIt) {
  const std::string folder = kResults + "/小学1年/音読み-01/";
  const std::string summary = "message  0問中、 0問正解です。(点です)";
  OpenText(kDrills + "/小学1年/音読み-01.txt", EncodeCp932("山 やま\r\n"));
  window.TakeCalls();
  drill.markButtonClick();
  EXPECT_EQ(window.TakeCalls(),
            (std::vector<std::string>{"next open " + folder + kStampedName, summary}));
  EXPECT_EQ(files.folders, std::set<std::string>{folder});
  clock.time.second = 52;
  drill.markButtonClick();
  const std::string second = "採点-平成 16年05月08日15時43分52秒.txt";
  EXPECT_EQ(files.files.count(folder + kStampedName) + files.files.count(folder + second), 2u);
  Open(folder + second);
  clock.time.second = 53;
  window.TakeCalls();
  drill.markButtonClick();
  EXPECT_EQ(window.TakeCalls(), (std::vector<std::string>{summary}));
  EXPECT_EQ(files.files.count(folder + "採点-平成 16年05月08日15時43分53秒.txt"), 1u);

  // Where the folder cannot be made the user is asked, from his own files;
  // Cancel leaves nothing.
  clock.time.second = 51;
  const std::size_t before = files.files.size();
  files.throws[kResults + "/中学/訓読み-02/"] =
      std::make_exception_ptr(FileError("read-only", "読み取り専用です。"));
  OpenText(kDrills + "/中学/訓読み-02.txt", EncodeCp932("山 やま\r\n"));
  window.TakeCalls();
  drill.markButtonClick();
  EXPECT_EQ(window.TakeCalls(),
            (std::vector<std::string>{"message 採点の結果を保存できませんでした。\n読み取り専用です。",
                                      "choose " + std::string(kStampedName) + " in "}));
  EXPECT_EQ(files.files.size(), before + 1);  // the drill itself
  EXPECT_EQ(files.folders.size(), 1u);

  // Without a home there is no such folder.
  Drill homeless{window, clock, random, files, {kDrills, ""}};
  homeless.Read_Files(kDrills + "/中学/訓読み-02.txt");
  window.TakeCalls();
  homeless.markButtonClick();
  EXPECT_EQ(window.TakeCalls().front(),
            "message 採点の結果を保存できませんでした。\nホームフォルダーがありません。");

  // A folder whose name only begins like the drills folder's is not it.
  OpenText(kDrills + "-mine/q.txt", EncodeCp932("山 やま\r\n"));
  window.TakeCalls();
  drill.markButtonClick();
  EXPECT_EQ(window.TakeCalls(), (std::vector<std::string>{summary}));
  EXPECT_EQ(files.files.count(kDrills + "-mine/" + kStampedName), 1u);
}

}  // namespace
}  // namespace tavosu
