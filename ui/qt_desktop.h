// The real desktop: Qt's own open-file dialog, the system's URL handler and
// the sound theme's "bell" through libcanberra.

#ifndef TAVOSU_UI_QT_DESKTOP_H_
#define TAVOSU_UI_QT_DESKTOP_H_

#include "ui/desktop.h"

struct ca_context;

namespace tavosu {

class QtDesktop final : public Desktop {
 public:
  QtDesktop();
  ~QtDesktop() override;

  QtDesktop(const QtDesktop&) = delete;
  QtDesktop& operator=(const QtDesktop&) = delete;

  // Shows a modal QFileDialog (Qt's own, not the platform's) filtered to
  // *.txt in any letter case. A typed name is returned even when no such
  // file exists.
  std::optional<QString> ChooseQuestionFile(QWidget* parent, const QString& last_path) override;

  void OpenUrl(const QUrl& url) override;

  // Plays the sound theme's "bell"; where no sound server or device takes
  // it, falls back to QApplication::beep().
  void Beep() override;

 private:
  ca_context* sound_ = nullptr;  // null when libcanberra could not start
};

}  // namespace tavosu

#endif  // TAVOSU_UI_QT_DESKTOP_H_
