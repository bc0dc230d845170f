// The real open dialog, driven from inside its own event loop.

#include <memory>

#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "tests/ui/modal_closer.h"
#include "ui/qt_desktop.h"

using tavosu::QtDesktop;
using tavosu::testing::ModalWatcher;

namespace {

// What the open dialog showed before the test closed it.
struct SeenFileDialog {
  bool is_file_dialog = false;
  QStringList name_filters;
  bool native = true;
  QFileDialog::AcceptMode accept_mode = QFileDialog::AcceptSave;
  QString directory;
  QString typed_name;
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
    seen.name_filters = dialog->nameFilters();
    seen.native = !dialog->testOption(QFileDialog::DontUseNativeDialog);
    seen.accept_mode = dialog->acceptMode();
    seen.directory = dialog->directory().absolutePath();
    auto* name_box = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    auto* buttons = dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
    if (name_box == nullptr || buttons == nullptr) {
      dialog->reject();
      return;
    }
    seen.typed_name = name_box->text();
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

}  // namespace

class QtDesktopTest : public QObject {
  Q_OBJECT

 private slots:
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

 private:
  std::unique_ptr<QTemporaryDir> folder_;
  QString saved_current_;
};

QTEST_MAIN(QtDesktopTest)
#include "qt_desktop_test.moc"
