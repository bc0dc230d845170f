#include "ui/qt_window_ops.h"

#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

namespace tavosu {
namespace {

void ShowText(QLineEdit& box, const std::string& text) {
  box.setText(QString::fromStdString(text));
  box.setCursorPosition(0);
}

}  // namespace

QtWindowOps::QtWindowOps(QWidget& dialog_parent, const DrillControls& controls, Desktop& desktop)
    : dialog_parent_(dialog_parent), controls_(controls), desktop_(desktop) {}

void QtWindowOps::SetQuestionText(const std::string& text) {
  ShowText(*controls_.TextQuestion, text);
  controls_.AnswerButton->setAccessibleDescription(QStringLiteral("問題は ") +
                                                   controls_.TextQuestion->text());
  ++questions_shown_;
}

void QtWindowOps::SetAnswerText(const std::string& text) { ShowText(*controls_.AnsText, text); }

void QtWindowOps::SetButtonEnabled(DrillButton button, bool enabled) {
  QPushButton* control = Button(button);
  if (!enabled && control->hasFocus()) control->clearFocus();
  control->setEnabled(enabled);
}

void QtWindowOps::ShowMessage(const std::string& text) {
  QMessageBox box(&dialog_parent_);
  box.setWindowTitle(QStringLiteral("Ostrel"));
  box.setIcon(QMessageBox::NoIcon);
  box.setTextFormat(Qt::PlainText);
  box.setText(QString::fromStdString(text));
  box.setStandardButtons(QMessageBox::Ok);
  box.exec();
}

void QtWindowOps::Beep() { desktop_.Beep(); }

std::optional<std::string> QtWindowOps::ChooseResultsPath(const std::string& name,
                                                          const std::string& folder) {
  const std::optional<QString> chosen = desktop_.ChooseResultsFile(
      &dialog_parent_, QFile::decodeName(name.c_str()), QFile::decodeName(folder.c_str()));
  if (!chosen) return std::nullopt;
  return QFile::encodeName(*chosen).toStdString();
}

void QtWindowOps::SetNextOpenPath(const std::string& path) {
  next_open_path_ = QFile::decodeName(path.c_str());
}

QPushButton* QtWindowOps::Button(DrillButton button) const {
  switch (button) {
    case DrillButton::AnswerButton:
      return controls_.AnswerButton;
    case DrillButton::GoodButton:
      return controls_.GoodButton;
    case DrillButton::NGButton:
      return controls_.NGButton;
    case DrillButton::markButton:
      return controls_.markButton;
  }
  Q_UNREACHABLE();
}

}  // namespace tavosu
