#include "ui/qt_desktop.h"

#include <canberra.h>
#include <pwd.h>
#include <unistd.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QIdentityProxyModel>
#include <QLineEdit>
#include <QLibraryInfo>
#include <QLocale>
#include <QStandardPaths>
#include <QTranslator>

#include "ui/install_folders.h"

namespace tavosu {

namespace {

// The open dialog's file list with each file's size and date worded in the
// default locale: the dialog's own model words them in the system's, which
// is English under LANG=C. Its columns are QFileSystemModel's: name, size,
// type, date.
class DetailsInDefaultLocale final : public QIdentityProxyModel {
 public:
  using QIdentityProxyModel::QIdentityProxyModel;

  QVariant data(const QModelIndex& index, int role) const override {
    const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
    if (files != nullptr && role == Qt::DisplayRole) {
      const QModelIndex file = mapToSource(index);
      if (index.column() == 1 && !files->isDir(file)) {
        return QLocale().formattedDataSize(files->size(file));
      }
      if (index.column() == 3) {
        return QLocale().toString(files->lastModified(file), QLocale::ShortFormat);
      }
    }
    return QIdentityProxyModel::data(index, role);
  }
};

// Qt's Japanese texts, where Qt 6 asks for the words of file types
// ("Folder", "Drive", ...) under a newer context than the translation knows
// them by, QFileDialog's.
class QtJapanese final : public QTranslator {
 public:
  using QTranslator::QTranslator;

  QString translate(const char* context, const char* source, const char* disambiguation,
                    int n) const override {
    if (qstrcmp(context, "QAbstractFileIconProvider") == 0) context = "QFileDialog";
    return QTranslator::translate(context, source, disambiguation, n);
  }
};

// Sets up dialog as both file dialogs are: Qt's own, with the sizes and
// dates of files in the default locale, filtered to text files.
void ListTextFiles(QFileDialog& dialog) {
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setProxyModel(new DetailsInDefaultLocale(&dialog));
  // The filter matches FOO.TXT as well as foo.txt as long as QDir::CaseSensitive
  // stays out of the dialog's filter flags, which is its default.
  dialog.setNameFilter(QStringLiteral("テキスト ファイル (*.txt)"));
}

// Runs dialog and returns the file chosen in it, or nullopt on Cancel.
std::optional<QString> ChosenFile(QFileDialog& dialog) {
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty()) return std::nullopt;
  return chosen.first();
}

// The user's home folder: HOME, or without it the one the password database
// gives, or else the working folder. (Without HOME, Qt takes "/".)
QString HomeFolder() {
  if (!qEnvironmentVariableIsEmpty("HOME")) return QDir::homePath();
  const passwd* user = ::getpwuid(::getuid());
  if (user != nullptr && user->pw_dir != nullptr) {
    const QString home = QFile::decodeName(user->pw_dir);
    if (QFileInfo(home).isDir()) return home;
  }
  return QDir::currentPath();
}

// Puts label on the entry of dialog's sidebar that leads to folder. Qt
// names each entry after its folder's own name, and names it so again
// whenever its file list reports a change to that folder, so the label is
// put back after every change to the sidebar's entries.
void LabelSidebarEntry(QFileDialog& dialog, const QUrl& folder, const QString& label) {
  auto* sidebar = dialog.findChild<QAbstractItemView*>(QStringLiteral("sidebar"));
  if (sidebar == nullptr) return;
  QAbstractItemModel* entries = sidebar->model();
  const auto relabel = [entries, folder, label] {
    for (int row = 0; row < entries->rowCount(); ++row) {
      const QModelIndex entry = entries->index(row, 0);
      const QList<QVariant> values = entries->itemData(entry).values();
      if (values.contains(QVariant(folder)) && entry.data().toString() != label) {
        entries->setData(entry, label);
      }
    }
  };
  relabel();
  QObject::connect(entries, &QAbstractItemModel::dataChanged, &dialog, relabel);
}

// Lists places in a dialog's sidebar while the dialog lives. Qt keeps the
// sidebar in settings that the file dialogs of every Qt program share, so
// the entries the dialog came with are put back before it goes, and the
// places listed here stay this program's own. Declare it after the dialog.
class SidebarPlaces {
 public:
  SidebarPlaces(QFileDialog& dialog, const QList<QUrl>& places)
      : dialog_(dialog), shared_(WithoutDrills(dialog.sidebarUrls())) {
    dialog_.setSidebarUrls(places);
  }
  ~SidebarPlaces() { dialog_.setSidebarUrls(shared_); }
  SidebarPlaces(const SidebarPlaces&) = delete;
  SidebarPlaces& operator=(const SidebarPlaces&) = delete;

 private:
  // Earlier releases left the drills folder in the shared entries; it goes
  // back out with the rest of this program's places.
  static QList<QUrl> WithoutDrills(QList<QUrl> entries) {
    const QString drills = DrillsFolder();
    entries.removeIf([&](const QUrl& entry) {
      return entry.isLocalFile() && QDir::cleanPath(entry.toLocalFile()) == drills;
    });
    return entries;
  }

  QFileDialog& dialog_;
  const QList<QUrl> shared_;
};

// The folders that exist, as sidebar entries; Qt would list the others
// greyed out.
QList<QUrl> Places(const QStringList& folders) {
  QList<QUrl> places;
  for (const QString& folder : folders) {
    if (QFileInfo(folder).isDir()) places << QUrl::fromLocalFile(folder);
  }
  return places;
}

QString DocumentsLocation() {
  return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

QString DocumentsFolder() {
  if (qEnvironmentVariableIsEmpty("HOME")) return HomeFolder();
  const QFileInfo documents(DocumentsLocation());
  return documents.isDir() && documents.isWritable() ? documents.filePath() : HomeFolder();
}

// Selects name in the dialog's name box without its ".txt", so that what
// the user types keeps the extension.
void SelectBaseName(QFileDialog& dialog, const QString& name) {
  // The name box of Qt's own dialog bears this object name.
  auto* name_box = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
  if (name_box == nullptr) return;
  name_box->setSelection(0, static_cast<int>(QFileInfo(name).completeBaseName().size()));
}

}  // namespace

bool SpeakJapanese(QApplication& app) {
  QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
  auto* translator = new QtJapanese(&app);
  if (!translator->load(QStringLiteral("qtbase_ja"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return false;
  }
  return QApplication::installTranslator(translator);
}

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
  ListTextFiles(dialog);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::AnyFile);
  const QString results = ResultsFolder();
  const SidebarPlaces places(dialog,
                             Places({DrillsFolder(), results, HomeFolder(), DocumentsLocation()}));
  LabelSidebarEntry(dialog, QUrl::fromLocalFile(DrillsFolder()), QStringLiteral("問題集"));
  if (!results.isEmpty()) {
    LabelSidebarEntry(dialog, QUrl::fromLocalFile(results), QStringLiteral("採点の結果"));
  }
  if (!last_path.isEmpty()) dialog.selectFile(last_path);
  return ChosenFile(dialog);
}

std::optional<QString> QtDesktop::ChooseResultsFile(QWidget* parent, const QString& name,
                                                    const QString& folder) {
  QFileDialog dialog(parent, QStringLiteral("採点の結果の保存先"));
  ListTextFiles(dialog);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDirectory(folder.isEmpty() ? DocumentsFolder() : folder);
  dialog.setDefaultSuffix(QStringLiteral("txt"));
  // The drills folder never takes results.
  const SidebarPlaces places(dialog, Places({HomeFolder(), DocumentsLocation()}));
  dialog.selectFile(name);
  SelectBaseName(dialog, name);
  return ChosenFile(dialog);
}

QString QtDesktop::ResultsFolder() {
  const QString documents = DocumentsLocation();
  if (qEnvironmentVariableIsEmpty("HOME") || documents.isEmpty()) return QString();
  return QDir::cleanPath(documents + QStringLiteral("/Tavosu"));
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
