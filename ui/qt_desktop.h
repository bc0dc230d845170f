// The real desktop: Qt's own open and save dialogs, the system's URL handler
// and the sound theme's "bell" through libcanberra.

#ifndef TAVOSU_UI_QT_DESKTOP_H_
#define TAVOSU_UI_QT_DESKTOP_H_

#include "ui/desktop.h"

class QApplication;
struct ca_context;

namespace tavosu {

// Makes Qt speak Japanese like the program's own captions, whatever the
// locale: installs Qt's Japanese texts (qtbase_ja, from the system's Qt
// translations folder) in app, for the open dialog, the text boxes' context
// menus and every other text Qt draws, and makes Japanese the default locale,
// in which Qt words numbers, dates and file types. Returns false where the
// translation is not installed; Qt's texts then stay English.
bool SpeakJapanese(QApplication& app);

class QtDesktop final : public Desktop {
 public:
  QtDesktop();
  ~QtDesktop() override;

  QtDesktop(const QtDesktop&) = delete;
  QtDesktop& operator=(const QtDesktop&) = delete;

  // Shows a modal QFileDialog (Qt's own, not the platform's) filtered to
  // *.txt in any letter case, with the files' sizes and dates in the default
  // locale. A typed name is returned even when no such file exists. Its
  // sidebar lists the drills as 「問題集」, the results folder as
  // 「採点の結果」, the home folder and the documents folder, those that
  // exist.
  std::optional<QString> ChooseQuestionFile(QWidget* parent, const QString& last_path) override;

  // Shows a modal QFileDialog like the open dialog's, titled
  // 「採点の結果の保存先」, with name selected but for its ".txt"; a name
  // typed without an extension gets ".txt". The documents folder is
  // QStandardPaths' DocumentsLocation, or the home folder where that is no
  // folder the user can write to; without HOME, the home folder is the
  // password database's, or else the working folder.
  std::optional<QString> ChooseResultsFile(QWidget* parent, const QString& name,
                                           const QString& folder) override;

  // Tavosu in QStandardPaths' DocumentsLocation, where HOME is set.
  QString ResultsFolder() override;

  void OpenUrl(const QUrl& url) override;

  // Plays the sound theme's "bell"; where no sound server or device takes
  // it, falls back to QApplication::beep().
  void Beep() override;

 private:
  ca_context* sound_ = nullptr;  // null when libcanberra could not start
};

}  // namespace tavosu

#endif  // TAVOSU_UI_QT_DESKTOP_H_
