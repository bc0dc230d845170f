// The drill's window operations carried out on the widgets of the main
// window.
//
// Texts go into the two line edits, button states into the four drill
// buttons; messages are modal QMessageBoxes titled "Ostrel"; the beep and the
// save dialog go to the desktop.

#ifndef TAVOSU_UI_QT_WINDOW_OPS_H_
#define TAVOSU_UI_QT_WINDOW_OPS_H_

#include <string>

#include <QString>

#include "core/window_ops.h"
#include "ui/desktop.h"

class QLineEdit;
class QPushButton;
class QWidget;

namespace tavosu {

// The widgets the drill writes to. None may be null.
struct DrillControls {
  QLineEdit* TextQuestion;
  QLineEdit* AnsText;
  QPushButton* AnswerButton;
  QPushButton* GoodButton;
  QPushButton* NGButton;
  QPushButton* markButton;
};

class QtWindowOps final : public WindowOps {
 public:
  // Message boxes are centred on and modal to dialog_parent. The widgets and
  // desktop must outlive this object.
  QtWindowOps(QWidget& dialog_parent, const DrillControls& controls, Desktop& desktop);

  // The text is shown from its first character, also when it is wider than
  // the box. The question also becomes 答えは's accessible description,
  // which a screen reader reads when the button takes the focus.
  void SetQuestionText(const std::string& text) override;
  void SetAnswerText(const std::string& text) override;

  // A button that is disabled while it has the keyboard focus loses it;
  // Qt would pass it on along the tab order, onto a button the next key
  // press would press. The window puts the focus back itself.
  void SetButtonEnabled(DrillButton button, bool enabled) override;

  // The text is shown as plain text, never as markup.
  void ShowMessage(const std::string& text) override;

  void Beep() override;

  // The dialog is modal to dialog_parent.
  std::optional<std::string> ChooseResultsPath(const std::string& name,
                                               const std::string& folder) override;

  // The next Open starts at this file; empty before the first Open.
  void SetNextOpenPath(const std::string& path) override;
  const QString& next_open_path() const { return next_open_path_; }

  // How many questions have been shown so far.
  int questions_shown() const { return questions_shown_; }

 private:
  QPushButton* Button(DrillButton button) const;

  QWidget& dialog_parent_;
  DrillControls controls_;
  Desktop& desktop_;
  int questions_shown_ = 0;
  QString next_open_path_;
};

}  // namespace tavosu

#endif  // TAVOSU_UI_QT_WINDOW_OPS_H_
