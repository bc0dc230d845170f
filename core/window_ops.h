// The operations that the drill performs on its window.
//
// The drill never reads anything back from the window: it only tells it what
// to show. The Qt window implements this interface; tests use a fake that
// records every call in order. All text is UTF-8.

#ifndef TAVOSU_CORE_WINDOW_OPS_H_
#define TAVOSU_CORE_WINDOW_OPS_H_

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
};

}  // namespace tavosu

#endif  // TAVOSU_CORE_WINDOW_OPS_H_
