// The operations that the drill performs on its window.
//
// The drill never reads the window's controls back: it tells the window what
// to show, and the only answer it asks for is a place to save a results file
// in. The Qt window implements this interface; tests use a fake that records
// every call in order. All text is UTF-8, and so are paths.

#ifndef TAVOSU_CORE_WINDOW_OPS_H_
#define TAVOSU_CORE_WINDOW_OPS_H_

#include <optional>
#include <string>

namespace tavosu {

enum class DrillButton { AnswerButton, GoodButton, NGButton, markButton };

class WindowOps {
 public:
  virtual ~WindowOps() = default;

  // Replaces the text of the question box; shown at once.
  virtual void SetQuestionText(const std::string& text) = 0;

  // Replaces the text of the answer box; empty text clears it.
  virtual void SetAnswerText(const std::string& text) = 0;

  // A disabled button produces no click. Setting the state a button already
  // has does nothing.
  virtual void SetButtonEnabled(DrillButton button, bool enabled) = 0;

  // Shows a modal message box with one OK button and returns only after the
  // user has dismissed it.
  virtual void ShowMessage(const std::string& text) = 0;

  // Starts the alert sound without waiting for it.
  virtual void Beep() = 0;

  // Shows a modal save dialog for a results file that starts in folder, or
  // in the user's documents folder when folder is empty, with name filled
  // in, and asks the user before an existing file is replaced. Returns the
  // path chosen, or nullopt when the user cancelled. Changes no working
  // directory.
  virtual std::optional<std::string> ChooseResultsPath(const std::string& name,
                                                       const std::string& folder) = 0;

  // Makes the next Open start at the file at path, in its folder and with
  // it chosen, instead of at the file opened last.
  virtual void SetNextOpenPath(const std::string& path) = 0;
};

}  // namespace tavosu

#endif  // TAVOSU_CORE_WINDOW_OPS_H_
