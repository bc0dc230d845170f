// The real open and save dialogs, driven from inside their own event loops.

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <memory>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "tests/ui/modal_closer.h"
#include "ui/install_folders.h"
#include "ui/qt_desktop.h"

using tavosu::QtDesktop;
using tavosu::SpeakJapanese;
using tavosu::testing::ModalWatcher;

namespace {

// What a file dialog showed before the test closed it.
struct SeenFileDialog {
  bool is_file_dialog = false;
  QString title;
  QStringList name_filters;
  bool native = true;
  bool confirms_overwrite = false;
  QFileDialog::AcceptMode accept_mode = QFileDialog::AcceptSave;
  QString directory;
  QString typed_name;
  QString selected_name;  // the part of the name box's text selected
  QStringList listed;  // names of the files listed, sorted
};

void Touch(const QString& path) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
}

// Waits until the dialog lists every name in expected among the files of
// its current folder, then returns all file names it lists.
QStringList ListedFiles(QFileDialog& dialog, const QStringList& expected) {
  auto* model = dialog.findChild<QFileSystemModel*>();
  if (model == nullptr) return {};
  const QModelIndex folder = model->index(dialog.directory().absolutePath());
  QStringList names;
  const bool all_listed = QTest::qWaitFor(
      [&] {
        names.clear();
        for (int row = 0; row < model->rowCount(folder); ++row) {
          const QModelIndex entry = model->index(row, 0, folder);
          if (!model->isDir(entry)) names << model->fileName(entry);
        }
        for (const QString& name : expected) {
          if (!names.contains(name)) return false;
        }
        return true;
      },
      10000);
  names.sort();
  if (!all_listed) names << QStringLiteral("(listing timed out)");
  return names;
}

// Records the dialog, then presses Cancel when cancel is set, or else types
// typed_name (a name in the dialog's folder; when not empty) into its file
// name box and presses Return.
std::function<void(QWidget*)> Drive(SeenFileDialog& seen, const QString& typed_name,
                                    bool cancel = false, const QStringList& expect_listed = {}) {
  return [&seen, typed_name, cancel, expect_listed](QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    if (dialog == nullptr) {
      modal->close();
      return;
    }
    seen.is_file_dialog = true;
    seen.title = dialog->windowTitle();
    seen.name_filters = dialog->nameFilters();
    seen.native = !dialog->testOption(QFileDialog::DontUseNativeDialog);
    seen.confirms_overwrite = !dialog->testOption(QFileDialog::DontConfirmOverwrite);
    seen.accept_mode = dialog->acceptMode();
    seen.directory = dialog->directory().absolutePath();
    auto* name_box = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    auto* buttons = dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
    if (name_box == nullptr || buttons == nullptr) {
      dialog->reject();
      return;
    }
    seen.typed_name = name_box->text();
    seen.selected_name = name_box->selectedText();
    if (!expect_listed.isEmpty()) seen.listed = ListedFiles(*dialog, expect_listed);
    if (cancel) {
      buttons->button(QDialogButtonBox::Cancel)->click();
      return;
    }
    if (!typed_name.isEmpty()) {
      name_box->clear();
      QTest::keyClicks(name_box, typed_name);
    }
    QTest::keyClick(name_box, Qt::Key_Return);
    if (dialog->isVisible()) dialog->reject();
  };
}

// Whether text reads as English: it has a word of two or more Latin
// letters. A lone letter is an access key, as in "ファイル名(&N):".
bool ReadsEnglish(const QString& text) {
  static const QRegularExpression kWord(QStringLiteral("[A-Za-z]{2}"));
  return text.contains(kWord);
}

// Whether text has kana or kanji in it.
bool HasJapanese(const QString& text) {
  static const QRegularExpression kKanaOrKanji(
      QStringLiteral("[\\x{3041}-\\x{30FF}\\x{4E00}-\\x{9FFF}]"));
  return text.contains(kKanaOrKanji);
}

// The words the open dialog shows: captions are the texts and tips of its
// labels and buttons and its column headings; details are the size, type
// and date of each entry it lists, by name, once it has them for every name
// in expected (none if it never has).
struct DialogWords {
  QStringList captions;
  QMap<QString, QStringList> details;
};

DialogWords WordsOf(QFileDialog& dialog, const QStringList& expected) {
  DialogWords words;
  for (const QLabel* label : dialog.findChildren<QLabel*>()) {
    if (label->isVisible() && !label->text().isEmpty()) words.captions << label->text();
  }
  for (const QAbstractButton* button : dialog.findChildren<QAbstractButton*>()) {
    if (!button->isVisible()) continue;
    if (!button->text().isEmpty()) words.captions << button->text();
    if (!button->toolTip().isEmpty()) words.captions << button->toolTip();
  }
  auto* view = dialog.findChild<QAbstractItemView*>(QStringLiteral("treeView"));
  if (view == nullptr) return words;
  const QAbstractItemModel* shown = view->model();
  for (int column = 0; column < shown->columnCount(view->rootIndex()); ++column) {
    words.captions << shown->headerData(column, Qt::Horizontal).toString();
  }
  const bool all_listed = QTest::qWaitFor(
      [&] {
        words.details.clear();
        const QModelIndex folder = view->rootIndex();
        for (int row = 0; row < shown->rowCount(folder); ++row) {
          QStringList& entry = words.details[shown->index(row, 0, folder).data().toString()];
          for (int column = 1; column < shown->columnCount(folder); ++column) {
            entry << shown->index(row, column, folder).data().toString();
          }
        }
        return std::all_of(expected.begin(), expected.end(), [&](const QString& name) {
          const QStringList entry = words.details.value(name);
          return entry.size() == 3 && !entry[1].isEmpty() && !entry[2].isEmpty();
        });
      },
      10000);
  if (!all_listed) words.details.clear();
  return words;
}

}  // namespace

class QtDesktopTest : public QObject {
  Q_OBJECT

 private slots:
  // The program speaks Japanese from its start; so do these tests.
  void initTestCase() { QVERIFY2(SpeakJapanese(*qApp), "Qt's Japanese texts are not installed"); }

  void init() {
    folder_ = std::make_unique<QTemporaryDir>();
    QVERIFY(folder_->isValid());
    saved_current_ = QDir::currentPath();
  }

  void cleanup() { QDir::setCurrent(saved_current_); }

  void firstDialogListsTxtFilesOfTheCurrentFolderInAnyCase() {
    Touch(folder_->filePath(QStringLiteral("FOO.TXT")));
    Touch(folder_->filePath(QStringLiteral("bar.txt")));
    Touch(folder_->filePath(QStringLiteral("baz.Txt")));
    Touch(folder_->filePath(QStringLiteral("notes.csv")));
    Touch(folder_->filePath(QStringLiteral("foo.txt.bak")));
    Touch(folder_->filePath(QStringLiteral("readme")));
    QVERIFY(QDir::setCurrent(folder_->path()));

    QtDesktop desktop;
    SeenFileDialog seen;
    ModalWatcher watcher(Drive(seen, QStringLiteral("FOO.TXT"), false,
                               {"FOO.TXT", "bar.txt", "baz.Txt"}));
    const std::optional<QString> chosen = desktop.ChooseQuestionFile(nullptr, QString());

    QVERIFY(seen.is_file_dialog);
    QCOMPARE(seen.name_filters, QStringList{QStringLiteral("テキスト ファイル (*.txt)")});
    QVERIFY(!seen.native);
    QCOMPARE(seen.accept_mode, QFileDialog::AcceptOpen);
    QCOMPARE(QDir(seen.directory), QDir(folder_->path()));
    QCOMPARE(seen.typed_name, QString());
    QCOMPARE(seen.listed, (QStringList{"FOO.TXT", "bar.txt", "baz.Txt"}));
    QVERIFY(chosen.has_value());
    QCOMPARE(QFileInfo(*chosen), QFileInfo(folder_->filePath(QStringLiteral("FOO.TXT"))));
  }

  void theDialogSpeaksJapaneseWhateverTheLocale() {
    const QString nine = folder_->filePath(QStringLiteral("nine.txt"));
    QFile file(nine);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write("123456789"), qint64{9});
    file.close();
    QVERIFY(QDir(folder_->path()).mkdir(QStringLiteral("sub")));

    QtDesktop desktop;
    DialogWords words;
    ModalWatcher watcher([&](QWidget* modal) {
      if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
        words = WordsOf(*dialog, {QStringLiteral("nine.txt"), QStringLiteral("sub")});
      }
      modal->close();
    });
    desktop.ChooseQuestionFile(nullptr, nine);

    QVERIFY(words.captions.contains(QStringLiteral("キャンセル")));
    for (const QString& caption : words.captions) {
      QVERIFY2(HasJapanese(caption) && !ReadsEnglish(caption), qPrintable(caption));
    }
    // Sizes, types and dates, whatever the system's locale.
    const QStringList file_details = words.details.value(QStringLiteral("nine.txt"));
    QCOMPARE(file_details.size(), qsizetype{3});
    QCOMPARE(file_details[0], QStringLiteral("9 バイト"));
    QVERIFY2(HasJapanese(file_details[1]), qPrintable(file_details[1]));
    QCOMPARE(words.details.value(QStringLiteral("sub")).value(1), QStringLiteral("フォルダ"));
    for (const QStringList& details : words.details) {
      for (const QString& detail : details) QVERIFY2(!ReadsEnglish(detail), qPrintable(detail));
    }
  }

  void aTypedNameOfNoExistingFileIsStillChosen() {
    QVERIFY(QDir::setCurrent(folder_->path()));
    QtDesktop desktop;
    SeenFileDialog seen;
    ModalWatcher watcher(Drive(seen, QStringLiteral("missing.txt")));
    const std::optional<QString> chosen = desktop.ChooseQuestionFile(nullptr, QString());
    QVERIFY(seen.is_file_dialog);
    QVERIFY(chosen.has_value());
    QCOMPARE(QFileInfo(*chosen), QFileInfo(folder_->filePath(QStringLiteral("missing.txt"))));
  }

  void cancelChoosesNothing() {
    Touch(folder_->filePath(QStringLiteral("a.txt")));
    QtDesktop desktop;
    SeenFileDialog seen;
    ModalWatcher watcher(Drive(seen, QString(), true));
    const std::optional<QString> chosen =
        desktop.ChooseQuestionFile(nullptr, folder_->filePath(QStringLiteral("a.txt")));
    QVERIFY(seen.is_file_dialog);
    QVERIFY(!chosen.has_value());
  }

  void startsFromTheLastChosenFile() {
    QVERIFY(QDir(folder_->path()).mkdir(QStringLiteral("sub")));
    const QString last = folder_->filePath(QStringLiteral("sub/last.txt"));
    Touch(last);
    QtDesktop desktop;
    SeenFileDialog seen;
    ModalWatcher watcher(Drive(seen, QString()));
    const std::optional<QString> chosen = desktop.ChooseQuestionFile(nullptr, last);
    QCOMPARE(QDir(seen.directory), QDir(folder_->filePath(QStringLiteral("sub"))));
    QCOMPARE(seen.typed_name, QStringLiteral("last.txt"));
    QVERIFY(chosen.has_value());
    QCOMPARE(QFileInfo(*chosen), QFileInfo(last));
  }

  void sidebarListsTheDrillsAndTheirResultsThenHomeAndDocuments() {
    const QByteArray home = qgetenv("HOME");
    const auto restore = qScopeGuard([&] { qputenv("HOME", home); });
    qputenv("HOME", QFile::encodeName(folder_->path()));
    QVERIFY(QDir(folder_->path()).mkpath(QStringLiteral("Documents/Tavosu")));
    const QString drills = tavosu::DrillsFolder();
    QVERIFY2(QFileInfo(drills).isDir(), qPrintable(drills));
    // Qt keeps the sidebar in settings that every Qt program's file dialogs
    // share; another program left the root folder there, and an earlier
    // release of this one the drills.
    const QString shortcuts = QStringLiteral("FileDialog/shortcuts");
    const QString root = QUrl::fromLocalFile(QDir::rootPath()).toString();
    QSettings(QSettings::UserScope, QStringLiteral("QtProject"))
        .setValue(shortcuts, QStringList{QUrl::fromLocalFile(drills).toString(), root});

    QtDesktop desktop;
    QList<QUrl> urls;
    QStringList labels;
    bool renamed = false;
    ModalWatcher watcher([&](QWidget* modal) {
      auto* dialog = qobject_cast<QFileDialog*>(modal);
      auto* sidebar = modal->findChild<QAbstractItemView*>(QStringLiteral("sidebar"));
      if (dialog != nullptr && sidebar != nullptr) {
        // Listing the folder that holds the drills makes Qt name their
        // entry after the folder again.
        QSignalSpy named(sidebar->model(), &QAbstractItemModel::dataChanged);
        dialog->setDirectory(QFileInfo(drills).path());
        renamed = QTest::qWaitFor(
            [&] {
              return std::any_of(named.begin(), named.end(), [](const QList<QVariant>& change) {
                return change[0].toModelIndex().row() == 0 &&
                       change[2].value<QList<int>>().contains(Qt::DisplayRole);
              });
            },
            10000);
        urls = dialog->sidebarUrls();
        for (int row = 0; row < sidebar->model()->rowCount(); ++row) {
          labels << sidebar->model()->index(row, 0).data().toString();
        }
      }
      modal->close();
    });
    desktop.ChooseQuestionFile(nullptr, QString());

    QVERIFY(renamed);
    const QString results = folder_->filePath(QStringLiteral("Documents/Tavosu"));
    QCOMPARE(desktop.ResultsFolder(), results);
    QCOMPARE(urls, (QList<QUrl>{QUrl::fromLocalFile(drills), QUrl::fromLocalFile(results),
                                QUrl::fromLocalFile(folder_->path()),
                                QUrl::fromLocalFile(folder_->filePath(QStringLiteral("Documents")))}));
    QCOMPARE(labels, (QStringList{QStringLiteral("問題集"), QStringLiteral("採点の結果"),
                                  QFileInfo(folder_->path()).fileName(), QStringLiteral("Documents")}));
    QCOMPARE(QSettings(QSettings::UserScope, QStringLiteral("QtProject"))
                 .value(shortcuts)
                 .toStringList(),
             QStringList{root});
  }

  void resultsDialogStartsInTheDocumentsFolderWithTheNameFilledIn() {
    // With a HOME of its own and no XDG_CONFIG_HOME, no user-dirs.dirs says
    // otherwise: the documents folder is HOME's Documents.
    const QByteArray home = qgetenv("HOME");
    const QByteArray config = qgetenv("XDG_CONFIG_HOME");
    const auto restore = qScopeGuard([&] {
      qputenv("HOME", home);
      if (!config.isNull()) qputenv("XDG_CONFIG_HOME", config);
    });
    qputenv("HOME", QFile::encodeName(folder_->path()));
    qunsetenv("XDG_CONFIG_HOME");
    const QString documents = folder_->filePath(QStringLiteral("Documents"));
    QVERIFY(QDir().mkdir(documents));
    const QString name = QStringLiteral("採点-令和 08年12月07日10時15分30秒.txt");

    QtDesktop desktop;
    SeenFileDialog seen;
    ModalWatcher watcher(Drive(seen, QString()));
    const std::optional<QString> chosen = desktop.ChooseResultsFile(nullptr, name, QString());

    QCOMPARE(seen.title, QStringLiteral("採点の結果の保存先"));
    QCOMPARE(seen.accept_mode, QFileDialog::AcceptSave);
    QVERIFY(!seen.native);
    QVERIFY(seen.confirms_overwrite);
    QCOMPARE(seen.name_filters, QStringList{QStringLiteral("テキスト ファイル (*.txt)")});
    QCOMPARE(QDir(seen.directory), QDir(documents));
    QCOMPARE(seen.typed_name, name);
    QCOMPARE(seen.selected_name, name.chopped(4));
    QVERIFY(chosen.has_value());
    QCOMPARE(QFileInfo(*chosen), QFileInfo(QDir(documents).filePath(name)));
    QCOMPARE(QDir::currentPath(), saved_current_);
  }

  void resultsDialogWithoutHomeStartsInTheUsersHomeAndAddsTxt() {
    const QByteArray home = qgetenv("HOME");
    const auto restore = qScopeGuard([&] { qputenv("HOME", home); });
    qunsetenv("HOME");
    const QString users_home = QFile::decodeName(getpwuid(getuid())->pw_dir);

    QtDesktop desktop;
    SeenFileDialog seen;
    ModalWatcher watcher(Drive(seen, QStringLiteral("kekka")));
    const std::optional<QString> chosen =
        desktop.ChooseResultsFile(nullptr, QStringLiteral("採点.txt"), QString());

    QCOMPARE(QDir(seen.directory), QDir(users_home));
    QVERIFY(desktop.ResultsFolder().isEmpty());
    QVERIFY(chosen.has_value());
    QCOMPARE(QFileInfo(*chosen), QFileInfo(QDir(users_home).filePath(QStringLiteral("kekka.txt"))));
  }

 private:
  std::unique_ptr<QTemporaryDir> folder_;
  QString saved_current_;
};

QTEST_MAIN(QtDesktopTest)
#include "qt_desktop_test.moc"
