#include "core/drill.h"

#include <gtest/gtest.h>

#include <cmath>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/question_file.h"
#include "fakes.h"

namespace tavosu {
namespace {

using testing::FixedClock;
using testing::MemoryFileSystem;
using testing::RecordingWindow;
using testing::ScriptedRandom;
using Calls = std::vector<std::string>;

const char kClosing[] = "message ごくろうさま。採点してください。";

// Code page 932 bytes of "山 やま\r\n川 かわ\r\n空 そら\r\n".
const char kThreeQuestions[] =
    "\x8E\x52\x20\x82\xE2\x82\xDC\r\n\x90\xEC\x20\x82\xA9\x82\xED\r\n\x8B\xF3\x20\x82\xBB\x82\xE7\r\n";

class DrillTest : public ::testing::Test {
 protected:
  DrillTest() {
    files.files["three.txt"] = kThreeQuestions;
    files.files["empty.txt"] = "";
    files.files["one.txt"] = "\x90\x85 \x82\xDD\x82\xB8";  // 水 みず
    files.files["all-right.txt"] = "a b \x81\x9B\r\nc d \x81\x9B\r\n";  // ○ on both
    files.files["malformed.txt"] = "a b\r\nc\r\n";
  }

  // Loads path and shows its first question, as the Open command does.
  void Open(const std::string& path) {
    drill.Read_Files(path);
    drill.DisplayQuestion();
  }

  RecordingWindow window;
  FixedClock clock;
  ScriptedRandom random;
  MemoryFileSystem files;
  Drill drill{window, clock, random, files, {}};
};

TEST_F(DrillTest, WindowLoadedDisablesEveryButton) {
  drill.WindowLoaded();
  EXPECT_EQ(window.TakeCalls(), (Calls{"disable GoodButton", "disable NGButton",
                                       "disable AnswerButton", "disable markButton"}));
}

TEST_F(DrillTest, LoadEnablesAnswerAndScoreOnly) {
  drill.Read_Files("three.txt");
  EXPECT_EQ(window.TakeCalls(), (Calls{"enable AnswerButton", "enable markButton"}));
  EXPECT_EQ(drill.questions().QuestionCount, 3);
  EXPECT_EQ(drill.questions().Questions[1], "川");
  EXPECT_EQ(drill.questions().Answers[2], "そら");
}

TEST_F(DrillTest, FailedLoadChangesNothing) {
  Open("three.txt");
  drill.AnswerButtonClick();
  const QuestionSet before = drill.questions();
  window.TakeCalls();
  for (const char* path : {"missing.txt", "malformed.txt"}) {
    EXPECT_THROW(drill.Read_Files(path), LoadError) << path;
  }
  files.throws["no-memory.txt"] = std::make_exception_ptr(std::bad_alloc());
  files.throws["broken.txt"] = std::make_exception_ptr(std::runtime_error("converter"));
  for (const char* path : {"missing.txt", "malformed.txt", "no-memory.txt", "broken.txt"}) {
    drill.Open(path);
  }
  EXPECT_TRUE(window.calls.empty());
  EXPECT_EQ(drill.questions().Questions, before.Questions);
  EXPECT_EQ(drill.questions().Graded, before.Graded);
  EXPECT_EQ(drill.questions().QuestionCount, before.QuestionCount);
  EXPECT_EQ(drill.questions().CurrentIndex, before.CurrentIndex);
}

TEST_F(DrillTest, MissingFileIsACannotReadError) {
  try {
    drill.Read_Files("missing.txt");
    FAIL();
  } catch (const LoadError& e) {
    EXPECT_EQ(e.reason(), LoadError::Reason::kCannotRead);
  }
}

TEST_F(DrillTest, PickerMixesTheClockIntoEveryDraw) {
  drill.Read_Files("three.txt");
  drill.DisplayQuestion();
  clock.time.second = 52;
  drill.DisplayQuestion();
  ASSERT_EQ(random.seeds.size(), 2u);
  EXPECT_EQ(random.seeds[1] - random.seeds[0], 1);
  EXPECT_EQ(random.seeds[0], LocalDateTime({2004, 5, 8, 15, 43, 51}).SerialSeconds());
}

struct PickCase {
  const char* name;
  std::string file;  // question lines, "○" marking the graded ones
  double r;
  int expected;
};

class PickTest : public DrillTest, public ::testing::WithParamInterface<PickCase> {};

TEST_P(PickTest, ShowsFirstUngradedAtOrAfterRandomStart) {
  files.files["pick.txt"] = GetParam().file;
  random.draws = {GetParam().r};
  drill.Read_Files("pick.txt");
  window.TakeCalls();
  drill.DisplayQuestion();
  const int i = GetParam().expected;
  EXPECT_EQ(drill.questions().CurrentIndex, i);
  EXPECT_EQ(window.TakeCalls(),
            (Calls{"question " + std::string(drill.questions().Questions[i]), "enable AnswerButton"}));
}

std::string Numbered(int count, const std::vector<int>& graded = {}) {
  std::string text;
  for (int i = 0; i < count; ++i) {
    text += "q" + std::to_string(i) + " a";
    for (int g : graded) {
      if (g == i) text += " \x81\x9B";
    }
    text += "\r\n";
  }
  return text;
}

const double kJustBelowOne = std::nextafter(1.0, 0.0);

INSTANTIATE_TEST_SUITE_P(
    Drill, PickTest,
    ::testing::Values(PickCase{"StartAtZero", Numbered(5), 0.0, 0},
                      PickCase{"StartInMiddle", Numbered(5), 0.5, 2},
                      PickCase{"StartAtEnd", Numbered(5), 0.99, 4},
                      PickCase{"SkipsGraded", Numbered(5, {2, 3}), 0.4, 4},
                      PickCase{"WrapsAround", Numbered(5, {3, 4}), 0.7, 0},
                      PickCase{"WrapsAroundPastGraded", Numbered(5, {0, 1, 3, 4}), 0.9, 2},
                      PickCase{"OnlyUngradedWhateverStart", Numbered(4, {0, 1, 3}), 0.0, 2},
                      PickCase{"OnlyUngradedFromBehind", Numbered(4, {0, 1, 3}), 0.8, 2},
                      PickCase{"RJustBelowOne", Numbered(7), kJustBelowOne, 6},
                      PickCase{"RJustBelowOneAtLimit", Numbered(32767), kJustBelowOne, 32766}),
    [](const ::testing::TestParamInfo<PickCase>& param_info) { return param_info.param.name; });

TEST_F(DrillTest, NoneLeftClosesTheDrill) {
  for (const char* path : {"empty.txt", "all-right.txt"}) {
    drill.Read_Files(path);
    window.TakeCalls();
    drill.DisplayQuestion();
    EXPECT_EQ(window.TakeCalls(),
              (Calls{"enable AnswerButton", "disable GoodButton", "disable NGButton",
                     "disable AnswerButton", kClosing}))
        << path;
    EXPECT_EQ(window.Buttons(), "0001") << path;
  }
}

TEST_F(DrillTest, RevealShowsAnswerThenBeeps) {
  random.draws = {0.5};
  Open("three.txt");
  window.TakeCalls();
  drill.AnswerButtonClick();
  EXPECT_EQ(window.TakeCalls(), (Calls{"enable GoodButton", "enable NGButton",
                                       "disable AnswerButton", "answer かわ", "beep"}));
}

TEST_F(DrillTest, GradeRecordsThenPicksThenClears) {
  random.draws = {0.5, 0.5};
  Open("three.txt");
  drill.AnswerButtonClick();
  window.TakeCalls();
  drill.NGButtonClick();
  EXPECT_TRUE(drill.questions().Graded[1]);
  EXPECT_FALSE(drill.questions().Correct[1]);
  EXPECT_EQ(window.TakeCalls(), (Calls{"question 空", "enable AnswerButton", "answer ",
                                       "disable GoodButton", "disable NGButton"}));
  drill.AnswerButtonClick();
  drill.GoodButtonClick();
  EXPECT_TRUE(drill.questions().Graded[2]);
  EXPECT_TRUE(drill.questions().Correct[2]);
}

TEST_F(DrillTest, LastGradeShowsClosingMessageBeforeClearingAnswer) {
  Open("one.txt");
  drill.AnswerButtonClick();
  window.TakeCalls();
  drill.GoodButtonClick();
  EXPECT_EQ(window.TakeCalls(),
            (Calls{"enable AnswerButton", "disable GoodButton", "disable NGButton",
                   "disable AnswerButton", kClosing, "answer ", "disable GoodButton",
                   "disable NGButton"}));
  EXPECT_EQ(window.question, "水");
  EXPECT_EQ(window.answer, "");
  EXPECT_EQ(window.Buttons(), "0001");
}

// Walks the drill through every state and transition of the button table.
// Buttons are the enabled flags of 答えは, ○, ×, 採点.
TEST_F(DrillTest, ButtonStatesFollowTheDrill) {
  struct Step {
    const char* event;
    std::string buttons;
  };
  const Step steps[] = {
      {"loaded", "0000"},        // S0
      {"cancel", "0000"},        // S0: a cancelled or failed open changes nothing
      {"fail", "0000"},
      {"open three", "1001"},    // S1
      {"reveal", "0111"},        // S2
      {"fail", "0111"},
      {"score", "0111"},
      {"open three", "1111"},    // S4
      {"reveal", "0111"},        // S2
      {"open three", "1111"},    // S4
      {"good", "1001"},          // S1
      {"open three", "1001"},    // S1
      {"reveal", "0111"},
      {"bad", "1001"},
      {"reveal", "0111"},
      {"good", "1001"},
      {"reveal", "0111"},
      {"good", "0001"},          // S3
      {"score", "0001"},
      {"open empty", "0001"},    // S3
      {"open one", "1001"},      // S1
      {"reveal", "0111"},
      {"open all-right", "0001"},  // S2 to S3: nothing left to ask
      {"open one", "1001"},
      {"reveal", "0111"},
      {"open one", "1111"},      // S4
      {"bad", "0001"},           // S4 to S3
  };
  for (const Step& step : steps) {
    const std::string event = step.event;
    if (event == "loaded") drill.WindowLoaded();
    if (event == "fail") {
      EXPECT_THROW(drill.Read_Files("malformed.txt"), LoadError);
    }
    if (event.starts_with("open ")) Open(event.substr(5) + ".txt");
    if (event == "reveal") drill.AnswerButtonClick();
    if (event == "good") drill.GoodButtonClick();
    if (event == "bad") drill.NGButtonClick();
    if (event == "score") drill.markButtonClick();
    EXPECT_EQ(window.Buttons(), step.buttons) << "after " << event;
  }
}

TEST_F(DrillTest, GradeAfterSecondOpenAppliesToNewQuestion) {
  random.draws = {0.0, 0.9};
  Open("three.txt");
  drill.AnswerButtonClick();
  Open("three.txt");  // S4: the answer of the old question is still shown
  EXPECT_EQ(window.answer, "やま");
  EXPECT_EQ(window.question, "空");
  drill.GoodButtonClick();
  EXPECT_TRUE(drill.questions().Correct[2]);
  EXPECT_FALSE(drill.questions().Graded[0]);
}

}  // namespace
}  // namespace tavosu
