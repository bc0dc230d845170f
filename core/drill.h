// The drill: the window's question set and what each command does to it.
//
// Drill holds every rule of the program; the window only forwards its events
// here and carries out the WindowOps calls that come back. The window, the
// clock, the random source and the file system are injected and must outlive
// the Drill.

#ifndef TAVOSU_CORE_DRILL_H_
#define TAVOSU_CORE_DRILL_H_

#include <string>

#include "core/clock.h"
#include "core/file_system.h"
#include "core/question_set.h"
#include "core/random_source.h"
#include "core/text_encoding.h"
#include "core/window_ops.h"

namespace tavosu {

class Drill {
 public:
  // drills_folder is where the program's own drills are installed, a
  // folder that never takes a results file; empty where there is none.
  Drill(WindowOps& window, Clock& clock, RandomSource& random, FileSystem& files,
        std::string drills_folder);

  Drill(const Drill&) = delete;
  Drill& operator=(const Drill&) = delete;

  // Before the window is first shown: every drill button off.
  void WindowLoaded();

  // The Open command, on the file the user chose: Read_Files, then
  // DisplayQuestion. Whatever goes wrong ends the command silently; a load
  // that fails, also for want of memory, changes nothing at all.
  void Open(const std::string& path);

  // Loads the question file at path. On success the new set replaces the
  // old one and the answer and score buttons are enabled. On failure throws
  // (LoadError when the file cannot be read or is no question file) and
  // changes nothing at all.
  void Read_Files(const std::string& path);

  // Shows the first ungraded question at or after a random start, wrapping
  // around; when none is left, closes the drill with a message.
  void DisplayQuestion();

  // The button clicks. Each is called only while its button is enabled.
  void AnswerButtonClick();
  void GoodButtonClick();
  void NGButtonClick();

  // Writes the results file of the drill so far, in the form of the loaded
  // question file, and shows the score. The file goes into the
  // current working directory, or into the folder the user chose since the
  // last load when that could not be written. Whatever keeps the file from
  // being written is reported to the user; when its name and bytes were
  // made, the user is then asked for another place, until one takes them or
  // the user cancels. The results of a drill loaded from the drills folder
  // go to the place the user chooses without a message first, until a place
  // is chosen. Questions and grades are never changed.
  void markButtonClick();

  const QuestionSet& questions() const { return set_; }

 private:
  void Grade(bool correct);

  WindowOps& window_;
  Clock& clock_;
  RandomSource& random_;
  FileSystem& files_;
  QuestionSet set_;
  TextForm form_;
  const std::string drills_folder_;
  bool from_drills_ = false;  // the loaded file lies in drills_folder_
  // Where scoring writes: empty for the working directory, else the folder,
  // ending in "/", that the user chose since the last load.
  std::string results_folder_;
};

}  // namespace tavosu

#endif  // TAVOSU_CORE_DRILL_H_
