// The drill against bad question files and failing disks, on the real file
// system: nothing a user can choose may crash it, hang it or lose a results
// file.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "core/cp932.h"
#include "core/drill.h"
#include "core/question_file.h"
#include "core/question_format.h"
#include "fakes.h"
#include "temp_folder.h"

namespace tavosu {
namespace {

using testing::Contents;
using testing::Listing;
using testing::Put;

constexpr char kResultsName[] = "採点-平成 16年05月08日15時43分51秒.txt";
constexpr char kCannotSave[] = "採点の結果を保存できませんでした。\n";

std::string Lines(int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += "q" + std::to_string(i) + " a\r\n";
  return text;
}

class HardeningTest : public ::testing::Test {
 protected:
  HardeningTest() : previous_folder_(std::filesystem::current_path()) {
    std::filesystem::current_path(temp_.path());
    Put(In("three.txt"), EncodeCp932("山 やま\r\n川 かわ\r\n空 そら\r\n"));
    drill_.Read_Files(In("three.txt"));
    drill_.DisplayQuestion();
    drill_.AnswerButtonClick();
    window_.TakeCalls();
  }
  ~HardeningTest() override { std::filesystem::current_path(previous_folder_); }

  std::string In(const std::string& name) const { return temp_.In(name); }

  // The load of path fails without touching the window or the set.
  void ExpectLoadChangesNothing(const std::string& path) {
    const TextList questions = drill_.questions().Questions;
    EXPECT_THROW(drill_.Read_Files(path), LoadError) << path;
    EXPECT_TRUE(window_.calls.empty()) << path;
    EXPECT_EQ(drill_.questions().Questions, questions) << path;
    EXPECT_EQ(drill_.questions().QuestionCount, 3) << path;
  }

  // The drill still grades and scores the three questions it holds.
  void ExpectDrillGoesOn() {
    drill_.GoodButtonClick();
    EXPECT_EQ(drill_.questions().Graded, (std::vector<bool>{true, false, false}));
    window_.messages.clear();
    drill_.markButtonClick();
    EXPECT_EQ(window_.messages, (std::vector<std::string>{" 1問中、 1問正解です。(100点です)"}));
    EXPECT_EQ(DecodeCp932(Contents(In(kResultsName))).substr(0, 5), "# 漢");
  }

  testing::TempFolder temp_;
  std::filesystem::path previous_folder_;
  testing::RecordingWindow window_;
  testing::FixedClock clock_;
  testing::ScriptedRandom random_;
  Drill drill_{window_, clock_, random_, *DefaultFileSystem(), {}};
};

TEST_F(HardeningTest, FilesThatCannotBeLoadedChangeNothing) {
  Put(In("sparse.txt"), "");
  std::filesystem::resize_file(In("sparse.txt"), std::uintmax_t{500} << 30);
  Put(In("long-tail.txt"), Lines(32768));
  std::filesystem::resize_file(In("long-tail.txt"), std::uintmax_t{2} << 30);
  std::filesystem::create_directory(In("folder.txt"));
  ASSERT_EQ(mkfifo(In("fifo.txt").c_str(), 0644), 0);
  Put(In("gone.txt"), "a b\r\n");
  std::filesystem::remove(In("gone.txt"));  // removed after the dialog chose it
  Put(In("binary.txt"), std::string("\x7F" "ELF\x02\x01\x01\0\0\0\0\0\0\0\0\0\x03\0>\0", 20));
  Put(In("too-many.txt"), Lines(32768));
  for (const char* name : {"missing.txt", "gone.txt", "folder.txt", "fifo.txt", "binary.txt",
                           "too-many.txt", "sparse.txt", "long-tail.txt"}) {
    ExpectLoadChangesNothing(In(name));
  }
  ExpectLoadChangesNothing("/dev/zero");
  ExpectDrillGoesOn();
}

TEST_F(HardeningTest, HugeSingleLineLoadsOrFailsCleanly) {
  Put(In("huge.txt"), std::string(100 << 20, 'x'));
  ExpectLoadChangesNothing(In("huge.txt"));
  // The longest answer whose results file, graded right, still loads.
  const std::size_t most = kMaxListBytes - question_format::kMaxFrameBytes -
                           EncodeCp932("q  ○\r\n").size();
  const std::string longest = "q " + std::string(most, 'x');
  Put(In("huge.txt"), longest + "x");
  ExpectLoadChangesNothing(In("huge.txt"));
  Put(In("huge.txt"), longest);
  drill_.Read_Files(In("huge.txt"));
  ASSERT_EQ(drill_.questions().QuestionCount, 1);
  EXPECT_EQ(drill_.questions().Answers[0].size(), most);
  drill_.DisplayQuestion();
  drill_.AnswerButtonClick();
  drill_.GoodButtonClick();
  drill_.markButtonClick();
  drill_.Read_Files(In(kResultsName));
  ASSERT_EQ(drill_.questions().QuestionCount, 1);
  EXPECT_EQ(drill_.questions().Answers[0].size(), most);
  EXPECT_TRUE(drill_.questions().Correct[0]);
}

TEST_F(HardeningTest, LargestFileLoads) {
  Put(In("largest.txt"), Lines(32767));
  drill_.Read_Files(In("largest.txt"));
  EXPECT_EQ(drill_.questions().QuestionCount, 32767);
}

// Each way the results file can fail to be written: the user is told why, no
// file is left half-written, an earlier results file survives, and the drill
// goes on.
TEST_F(HardeningTest, ScoringIntoReadOnlyFolder) {
  Put(In(kResultsName), "earlier");
  TAVOSU_IN_CHILD({
    if (!testing::MakeReadOnly(temp_.path())) std::exit(2);
    drill_.markButtonClick();
    if (window_.messages.back() != std::string(kCannotSave) + "読み取り専用の場所です。" &&
        window_.messages.back() != std::string(kCannotSave) + "アクセスする権限がありません。") {
      std::exit(3);
    }
    if (Contents(In(kResultsName)) != "earlier") std::exit(4);
    if (Listing(temp_.path()) != std::set<std::string>{"three.txt", kResultsName}) std::exit(5);
    drill_.GoodButtonClick();
  });
}

TEST_F(HardeningTest, ScoringOntoFullDisk) {
  Put(In("many.txt"), Lines(20000));
  TAVOSU_IN_CHILD({
    drill_.Read_Files(In("many.txt"));
    if (!testing::MakeSmall(temp_.path(), 64 * 1024)) std::exit(2);
    Put(In(kResultsName), "earlier");
    const std::set<std::string> before = Listing(temp_.path());
    drill_.markButtonClick();
    const std::string message = window_.messages.back();
    if (message != std::string(kCannotSave) + "ディスクの空き容量が足りません。" &&
        message != std::string(kCannotSave) + "ファイルが大きすぎます。") {
      std::exit(3);
    }
    if (Contents(In(kResultsName)) != "earlier") std::exit(4);
    if (Listing(temp_.path()) != before) std::exit(5);
    drill_.DisplayQuestion();
  });
}

TEST_F(HardeningTest, ScoringOntoFolderOfTheSameName) {
  std::filesystem::create_directory(In(kResultsName));
  drill_.markButtonClick();
  EXPECT_EQ(window_.messages.back(), std::string(kCannotSave) + "同じ名前のフォルダーがあります。");
  EXPECT_TRUE(std::filesystem::is_directory(In(kResultsName)));
  EXPECT_EQ(Listing(temp_.path()), (std::set<std::string>{"three.txt", kResultsName}));
  std::filesystem::remove(In(kResultsName));
  ExpectDrillGoesOn();
}

TEST_F(HardeningTest, ScoringAfterWorkingFolderWasRemoved) {
  std::filesystem::remove_all(temp_.path());
  drill_.markButtonClick();
  EXPECT_EQ(window_.messages.back(),
            std::string(kCannotSave) + "ファイルまたはフォルダーが見つかりません。");
  std::filesystem::create_directory(temp_.path());
  std::filesystem::current_path(temp_.path());
  ExpectDrillGoesOn();
}

}  // namespace
}  // namespace tavosu
