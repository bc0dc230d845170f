// Test doubles for the drill's injected dependencies.

#ifndef TAVOSU_TESTS_CORE_FAKES_H_
#define TAVOSU_TESTS_CORE_FAKES_H_

#include <cstdint>
#include <deque>
#include <exception>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "core/clock.h"
#include "core/file_system.h"
#include "core/question_set.h"
#include "core/random_source.h"
#include "core/window_ops.h"

namespace tavosu::testing {

// The texts of list, to compare with expected ones.
inline std::vector<std::string> Texts(const TextList& list) { return {list.begin(), list.end()}; }

// Records every window operation as a line of text, in call order, and keeps
// the state a real window would show.
class RecordingWindow : public WindowOps {
 public:
  void SetQuestionText(const std::string& text) override {
    calls.push_back("question " + text);
    question = text;
  }
  void SetAnswerText(const std::string& text) override {
    calls.push_back("answer " + text);
    answer = text;
  }
  void SetButtonEnabled(DrillButton button, bool on) override {
    calls.push_back(std::string(on ? "enable " : "disable ") + Name(button));
    enabled[button] = on;
  }
  void ShowMessage(const std::string& text) override {
    calls.push_back("message " + text);
    messages.push_back(text);
  }
  void Beep() override { calls.push_back("beep"); }
  // Answers with the next of places, and Cancel when none is left.
  std::optional<std::string> ChooseResultsPath(const std::string& name,
                                               const std::string& folder) override {
    calls.push_back("choose " + name + " in " + folder);
    if (places.empty()) return std::nullopt;
    const std::string place = places.front();
    places.pop_front();
    return place;
  }
  void SetNextOpenPath(const std::string& path) override { calls.push_back("next open " + path); }

  static const char* Name(DrillButton button) {
    switch (button) {
      case DrillButton::AnswerButton: return "AnswerButton";
      case DrillButton::GoodButton: return "GoodButton";
      case DrillButton::NGButton: return "NGButton";
      case DrillButton::markButton: return "markButton";
    }
    return "?";
  }

  // The enabled flags of 答えは, ○, ×, 採点 as a string like "1001".
  std::string Buttons() const {
    std::string flags;
    for (DrillButton b : {DrillButton::AnswerButton, DrillButton::GoodButton,
                          DrillButton::NGButton, DrillButton::markButton}) {
      const auto it = enabled.find(b);
      flags += it != enabled.end() && it->second ? '1' : '0';
    }
    return flags;
  }

  std::vector<std::string> TakeCalls() { return std::exchange(calls, {}); }

  std::vector<std::string> calls;
  std::vector<std::string> messages;
  std::deque<std::string> places;
  std::map<DrillButton, bool> enabled;
  std::string question;
  std::string answer;
};

class FixedClock : public Clock {
 public:
  explicit FixedClock(LocalDateTime now = {2004, 5, 8, 15, 43, 51}) : time(now) {}
  LocalDateTime Now() override {
    ++readings;
    return time;
  }
  LocalDateTime time;
  int readings = 0;
};

// Returns the scripted draws in order, then 0; records the clock values.
class ScriptedRandom : public RandomSource {
 public:
  double Draw(std::int64_t clock_seconds) override {
    seeds.push_back(clock_seconds);
    if (draws.empty()) return 0.0;
    const double r = draws.front();
    draws.pop_front();
    return r;
  }
  std::deque<double> draws;
  std::vector<std::int64_t> seeds;
};

// Files and folders held in memory; a path listed in throws throws that
// error when it is opened, written or made.
class MemoryFileSystem : public FileSystem {
 public:
  std::unique_ptr<SequentialFile> OpenForReading(const std::string& path) override {
    if (throws.count(path) != 0) std::rethrow_exception(throws[path]);
    const auto it = files.find(path);
    if (it == files.end()) throw FileError("no such file " + path, "見つかりません。");
    return std::make_unique<StringFile>(it->second);
  }
  void WriteFileAtomically(const std::string& path, std::string_view contents) override {
    if (throws.count(path) != 0) std::rethrow_exception(throws[path]);
    files[path] = std::string(contents);
  }
  void MakeFolders(const std::string& path) override {
    if (throws.count(path) != 0) std::rethrow_exception(throws[path]);
    folders.insert(path);
  }
  std::map<std::string, std::string> files;
  std::set<std::string> folders;
  std::map<std::string, std::exception_ptr> throws;
};

}  // namespace tavosu::testing

#endif  // TAVOSU_TESTS_CORE_FAKES_H_
