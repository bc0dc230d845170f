// A desktop for window tests: scripted open-dialog answers, Cancel in every
// save dialog, and a record of the open dialogs, URLs and beeps the window
// asked for.

#ifndef TAVOSU_TESTS_UI_FAKE_DESKTOP_H_
#define TAVOSU_TESTS_UI_FAKE_DESKTOP_H_

#include <optional>

#include <QList>
#include <QStringList>
#include <QUrl>

#include "ui/desktop.h"

namespace tavosu::testing {

class FakeDesktop : public Desktop {
 public:
  // Pops the next scripted answer; with none left, answers Cancel.
  std::optional<QString> ChooseQuestionFile(QWidget*, const QString& last_path) override {
    offered_paths.push_back(last_path);
    if (choices.isEmpty()) return std::nullopt;
    const QString choice = choices.takeFirst();
    if (choice.isNull()) return std::nullopt;
    return choice;
  }
  // Answers Cancel.
  std::optional<QString> ChooseResultsFile(QWidget*, const QString&, const QString&) override {
    return std::nullopt;
  }
  QString ResultsFolder() override { return results_folder; }
  void OpenUrl(const QUrl& url) override { urls.push_back(url); }
  void Beep() override { ++beeps; }

  QStringList choices;  // a null QString stands for Cancel
  QStringList offered_paths;                   // last_path of each dialog shown
  QString results_folder;
  QList<QUrl> urls;
  int beeps = 0;
};

}  // namespace tavosu::testing

#endif  // TAVOSU_TESTS_UI_FAKE_DESKTOP_H_
