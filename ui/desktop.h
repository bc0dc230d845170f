// What the main window asks of the desktop besides its own widgets: the
// open and save dialogs, the learner's folder for results, the web browser
// and the alert sound.
//
// The window reaches these only through this interface, so that tests can
// choose a file without a dialog, catch the help address without starting a
// browser and count beeps on machines without sound.

#ifndef TAVOSU_UI_DESKTOP_H_
#define TAVOSU_UI_DESKTOP_H_

#include <optional>

#include <QString>
#include <QUrl>

class QWidget;

namespace tavosu {

class Desktop {
 public:
  virtual ~Desktop() = default;

  // Lets the user pick a question file, starting from last_path when it is
  // not empty. Returns the chosen path, or nullopt when the user cancelled.
  // The path need not name an existing file.
  virtual std::optional<QString> ChooseQuestionFile(QWidget* parent, const QString& last_path) = 0;

  // Lets the user choose where to save a results file, starting in folder,
  // or in the user's documents folder when folder is empty, with name filled
  // in. Asks before an existing file is replaced. Returns the chosen path, or
  // nullopt when the user cancelled.
  virtual std::optional<QString> ChooseResultsFile(QWidget* parent, const QString& name,
                                                   const QString& folder) = 0;

  // The folder that takes the results of the ready drills, <documents>/Tavosu,
  // as a clean absolute path; it may not exist yet. Empty where the user has
  // no home folder.
  virtual QString ResultsFolder() = 0;

  // Asks the desktop to open url in the default browser; does not wait and
  // reports nothing.
  virtual void OpenUrl(const QUrl& url) = 0;

  // Starts the alert sound; does not wait for it.
  virtual void Beep() = 0;
};

}  // namespace tavosu

#endif  // TAVOSU_UI_DESKTOP_H_
