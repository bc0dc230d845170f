#include "ui/qt_desktop.h"

#include <canberra.h>

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>

namespace tavosu {

QtDesktop::QtDesktop() {
  if (ca_context_create(&sound_) < 0) {
    sound_ = nullptr;
    return;
  }
  ca_context_change_props(sound_, CA_PROP_APPLICATION_NAME,
                          QApplication::applicationName().toUtf8().constData(), nullptr);
}

QtDesktop::~QtDesktop() {
  if (sound_ != nullptr) ca_context_destroy(sound_);
}

std::optional<QString> QtDesktop::ChooseQuestionFile(QWidget* parent, const QString& last_path) {
  QFileDialog dialog(parent);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::AnyFile);
  // The filter matches FOO.TXT as well as foo.txt as long as QDir::CaseSensitive
  // stays out of the dialog's filter flags, which is its default.
  dialog.setNameFilter(QStringLiteral("テキスト ファイル (*.txt)"));
  if (!last_path.isEmpty()) dialog.selectFile(last_path);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty()) return std::nullopt;
  return chosen.first();
}

void QtDesktop::OpenUrl(const QUrl& url) { QDesktopServices::openUrl(url); }

void QtDesktop::Beep() {
  if (sound_ != nullptr &&
      ca_context_play(sound_, 0, CA_PROP_EVENT_ID, "bell", CA_PROP_EVENT_DESCRIPTION,
                      "Answer shown", nullptr) >= 0) {
    return;
  }
  QApplication::beep();
}

}  // namespace tavosu
