#include "core/drill.h"

#include <cmath>
#include <exception>
#include <memory>
#include <new>
#include <optional>

#include "core/button_table.h"
#include "core/question_file.h"
#include "core/results_stamp.h"
#include "core/scoring.h"

namespace tavosu {

namespace {

constexpr char kClosingMessage[] = "ごくろうさま。採点してください。";
constexpr char kCannotSaveMessage[] = "採点の結果を保存できませんでした。\n";

// Why the exception error was thrown, in Japanese for the user.
std::string ReasonJa(const std::exception_ptr& error) {
  try {
    std::rethrow_exception(error);
  } catch (const FileError& e) {
    return e.reason_ja();
  } catch (const std::bad_alloc&) {
    return "メモリーが足りません。";
  } catch (const std::exception& e) {
    return std::string("予期しないエラーが起きました（") + e.what() + "）。";
  } catch (...) {
    return "予期しないエラーが起きました。";
  }
}

// Asks the user for another place for the results file that could not be
// written as folder + name, and on a choice splits the path chosen into
// folder (up to its last "/") and name. Returns false on Cancel.
bool ChooseAnotherPlace(WindowOps& window, std::string& folder, std::string& name) {
  const std::optional<std::string> chosen = window.ChooseResultsPath(name, folder);
  if (!chosen) return false;
  const std::size_t name_start = chosen->rfind('/') + 1;  // 0 when there is no "/"
  folder = chosen->substr(0, name_start);
  name = chosen->substr(name_start);
  return true;
}

// The path of the file at path under folder, without a final ".txt";
// nullopt when it is not in folder.
std::optional<std::string> PathUnder(const std::string& path, const std::string& folder) {
  if (folder.empty()) return std::nullopt;
  const std::string prefix = folder.back() == '/' ? folder : folder + '/';
  if (!path.starts_with(prefix)) return std::nullopt;
  std::string inside = path.substr(prefix.size());
  if (inside.ends_with(".txt")) inside.resize(inside.size() - 4);
  return inside;
}

}  // namespace

Drill::Drill(WindowOps& window, Clock& clock, RandomSource& random, FileSystem& files,
             ReadyDrills ready_drills)
    : window_(window),
      clock_(clock),
      random_(random),
      files_(files),
      ready_drills_(std::move(ready_drills)) {}

void Drill::WindowLoaded() { ApplyButtonChanges(ButtonEvent::kWindowLoaded, window_); }

void Drill::Open(const std::string& path) {
  try {
    Read_Files(path);
    DisplayQuestion();
  } catch (...) {
    // Any failure of the Open command ends it without a word.
  }
}

void Drill::Read_Files(const std::string& path) {
  LoadedQuestions loaded;
  try {
    const std::unique_ptr<SequentialFile> file = files_.OpenForReading(path);
    loaded = LoadQuestionFile(*file);
  } catch (const FileError& e) {
    throw LoadError(LoadError::Reason::kCannotRead, e.what());
  }
  set_ = std::move(loaded.set);
  form_ = loaded.form;
  question_folder_ = path.substr(0, path.rfind('/') + 1);  // empty when there is no "/"
  ready_drill_ = PathUnder(path, ready_drills_.folder);
  ApplyButtonChanges(ButtonEvent::kLoadCompleted, window_);
}

void Drill::DisplayQuestion() {
  const int count = set_.QuestionCount;
  const double r = random_.Draw(clock_.Now().SerialSeconds());
  // count * r can round up to count when r is just below 1.
  const int start = std::min(static_cast<int>(std::floor(count * r)), std::max(count - 1, 0));
  bool found = false;
  for (int probe = 0, position = start; probe < count; ++probe) {
    if (!set_.Graded[position]) {
      set_.CurrentIndex = static_cast<std::int16_t>(position);
      window_.SetQuestionText(std::string(set_.Questions[position]));
      found = true;
      break;
    }
    position = position == count - 1 ? 0 : position + 1;
  }
  if (found) {
    ApplyButtonChanges(ButtonEvent::kQuestionFound, window_);
  } else {
    ApplyButtonChanges(ButtonEvent::kNoneLeft, window_);
    window_.ShowMessage(kClosingMessage);
  }
}

void Drill::AnswerButtonClick() {
  ApplyButtonChanges(ButtonEvent::kAnswerRevealed, window_);
  window_.SetAnswerText(std::string(set_.Answers[set_.CurrentIndex]));
  window_.Beep();
}

void Drill::GoodButtonClick() { Grade(true); }

void Drill::NGButtonClick() { Grade(false); }

void Drill::Grade(bool correct) {
  set_.Correct[set_.CurrentIndex] = correct;
  set_.Graded[set_.CurrentIndex] = true;
  DisplayQuestion();
  window_.SetAnswerText("");
  ApplyButtonChanges(ButtonEvent::kGraded, window_);
}

void Drill::markButtonClick() {
  const auto chosen = chosen_folders_.find(question_folder_);
  std::string folder = chosen != chosen_folders_.end() ? chosen->second : question_folder_;
  bool into_ready_folder = ready_drill_ && chosen == chosen_folders_.end();
  bool asked = false;
  std::string name;
  std::optional<std::string> bytes;  // made once: every place tried gets the same
  for (;;) {
    try {
      if (!bytes) {
        name = ResultsFileName(ResultsStamp(clock_.Now()));
        bytes = ResultsFile(set_, ResultsStamp(clock_.Now()), form_);
      }
      if (into_ready_folder) {
        folder = ReadyResultsFolder();
        files_.MakeFolders(folder);
      }
      files_.WriteFileAtomically(folder + name, *bytes);
      break;
    } catch (...) {
      window_.ShowMessage(kCannotSaveMessage + ReasonJa(std::current_exception()));
    }
    if (into_ready_folder) {
      // The dialog starts where the user's own files are instead.
      into_ready_folder = false;
      folder.clear();
    }
    if (!bytes || !ChooseAnotherPlace(window_, folder, name)) return;
    asked = true;
  }
  if (asked) chosen_folders_[question_folder_] = folder;
  if (folder != question_folder_) window_.SetNextOpenPath(folder + name);
  window_.ShowMessage(SummaryMessage(CountScore(set_)));
}

std::string Drill::ReadyResultsFolder() const {
  if (ready_drills_.results.empty()) {
    throw FileError("no folder for the results of the ready drills", "ホームフォルダーがありません。");
  }
  return ready_drills_.results + "/" + *ready_drill_ + "/";
}

}  // namespace tavosu
