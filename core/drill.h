// The drill: the window's question set and what each command does to it.
//
// Drill holds every rule of the program; the window only forwards its events
// here and carries out the WindowOps calls that come back. The window, the
// clock, the random source and the file system are injected and must outlive
// the Drill.

#ifndef TAVOSU_CORE_DRILL_H_
#define TAVOSU_CORE_DRILL_H_

#include <map>
#include <optional>
#include <string>

#include "core/clock.h"
#include "core/file_system.h"
#include "core/question_set.h"
#include "core/random_source.h"
#include "core/text_encoding.h"
#include "core/window_ops.h"

namespace tavosu {

// The program's own drills and where their results go. Either folder is
// empty where there is none.
struct ReadyDrills {
  // Where the drills are installed; it never takes a results file.
  std::string folder;
  // The learner's folder for their results: those of <folder>/<year>/<set>.txt
  // go into <results>/<year>/<set>/.
  std::string results;
};

class Drill {
 public:
  Drill(WindowOps& window, Clock& clock, RandomSource& random, FileSystem& files,
        ReadyDrills ready_drills);

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
  // question file, and shows the score. The file goes beside the question
  // file; a ready drill's goes into its folder of results, made as needed.
  // Whatever keeps the file from being written is reported to the user; when
  // its name and bytes were made, the user is then asked for another place,
  // until one takes them or the user cancels. The folder chosen then takes
  // the results of every question file from the same folder, without asking,
  // for the life of the Drill. Results written anywhere but beside their
  // question file are where the next Open starts. Questions and grades are
  // never changed.
  void markButtonClick();

  const QuestionSet& questions() const { return set_; }

 private:
  void Grade(bool correct);

  // The folder, ending in "/", that takes the loaded ready drill's results.
  // Throws FileError where the learner has no folder for them.
  std::string ReadyResultsFolder() const;

  WindowOps& window_;
  Clock& clock_;
  RandomSource& random_;
  FileSystem& files_;
  QuestionSet set_;
  TextForm form_;
  const ReadyDrills ready_drills_;
  // The loaded file's folder up to its last "/", empty for the working
  // directory.
  std::string question_folder_;
  // The loaded ready drill's path under the drills folder, without ".txt";
  // nullopt for any other file.
  std::optional<std::string> ready_drill_;
  // The folders, ending in "/", that the user chose for the results of
  // question files, by the question files' folders.
  std::map<std::string, std::string> chosen_folders_;
};

}  // namespace tavosu

#endif  // TAVOSU_CORE_DRILL_H_
