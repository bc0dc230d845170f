#include "ui/form1.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QUrl>

#include "ui/drill_widgets.h"
#include "ui/install_folders.h"

namespace tavosu {
namespace {

// Every control uses the same proportional Japanese Gothic face.
QString JapaneseGothicFamily() {
  static const QString kPreferred[] = {
      QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"),
      QStringLiteral("IPAPGothic"), QStringLiteral("IPA Pゴシック"),
  };
  for (const QString& family : kPreferred) {
    if (QFontDatabase::hasFamily(family)) return family;
  }
  const QStringList japanese = QFontDatabase::families(QFontDatabase::Japanese);
  for (const QString& family : japanese) {
    if (family.contains(QStringLiteral("Gothic"), Qt::CaseInsensitive) ||
        family.contains(QStringLiteral("ゴシック"))) {
      return family;
    }
  }
  return japanese.isEmpty() ? QString() : japanese.first();
}

QFont ControlFont(const QString& family, double point_size) {
  QFont font(family);
  font.setPointSizeF(point_size);
  font.setWeight(QFont::Normal);
  font.setItalic(false);
  return font;
}

// Positions are given in twips, 15 to a pixel.
QRect FromTwips(int left, int top, int width, int height) {
  return QRect(left / 15, top / 15, width / 15, height / 15);
}

// What a screen reader announces for a control: a short name and what the
// control is for.
struct Spoken {
  QString name;
  QString description;
};

template <typename Control>
Control* Place(QWidget* parent, const char* name, const QString& text, const QRect& rect,
               const QFont& font, const Spoken& spoken) {
  auto* control = new Control(text, parent);
  control->setObjectName(QString::fromLatin1(name));
  control->setGeometry(rect);
  control->setFont(font);
  control->setAccessibleName(spoken.name);
  control->setAccessibleDescription(spoken.description);
  return control;
}

// The help page sits in the data folder, found relative to the program both
// where it is installed and in the build tree.
QString HelpPagePath() {
  return QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/") +
                         QStringLiteral(TAVOSU_HELP_PAGE_FROM_BINDIR));
}

}  // namespace

Form1::Form1(Desktop& desktop, Clock& clock, RandomSource& random, FileSystem& files,
             QWidget* parent)
    : QMainWindow(parent), desktop_(desktop) {
  setWindowTitle(QStringLiteral("Tavosu"));
  setWindowIcon(QIcon(QStringLiteral(":/tavosu.png")));

  auto* menu_bar = menuBar();
  menu_bar->setNativeMenuBar(false);
  QMenu* menu_file = menu_bar->addMenu(QStringLiteral("ﾌｧｲﾙ"));
  menu_file->setObjectName(QStringLiteral("menuFile"));
  QAction* open = menu_file->addAction(QStringLiteral("開く"));
  open->setObjectName(QStringLiteral("menuFileOpen"));
  QAction* end = menu_file->addAction(QStringLiteral("終わる"));
  end->setObjectName(QStringLiteral("menuFileEnd"));
  QMenu* menu_help = menu_bar->addMenu(QStringLiteral("ﾍﾙﾌﾟ"));
  menu_help->setObjectName(QStringLiteral("menuHelp"));
  QAction* howto = menu_help->addAction(QStringLiteral("使い方"));
  howto->setObjectName(QStringLiteral("menuHelpHowto"));

  auto* client = new QWidget(this);
  client->setObjectName(QStringLiteral("client"));
  client->setFixedSize(531, 323);
  QPalette background = client->palette();
  background.setColor(QPalette::Window, QColor(255, 255, 128));
  client->setPalette(background);
  client->setAutoFillBackground(true);
  setCentralWidget(client);
  layout()->setSizeConstraint(QLayout::SetFixedSize);

  const QString family = JapaneseGothicFamily();
  auto* label = Place<QLabel>(client, "Label1", QStringLiteral("問題"),
                              FromTwips(240, 120, 1455, 375), ControlFont(family, 18),
                              {QStringLiteral("問題"), QStringLiteral("問題欄の見出し")});
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label->setTextFormat(Qt::PlainText);
  // The label is drawn straight on the fixed yellow, so its ink is fixed too:
  // black in every colour scheme. The text boxes and buttons draw on
  // backgrounds of their own and keep the user's colours.
  QPalette ink = label->palette();
  ink.setColor(QPalette::WindowText, Qt::black);
  label->setPalette(ink);
  controls_ = DrillControls{
      Place<DrillTextBox>(client, "TextQuestion", QString(), FromTwips(240, 600, 7455, 1095),
                          ControlFont(family, 48),
                          {QStringLiteral("問題"), QStringLiteral("表示中の問題")}),
      Place<DrillTextBox>(client, "AnsText", QString(), FromTwips(240, 2520, 7455, 1095),
                          ControlFont(family, 48),
                          {QStringLiteral("答え"), QStringLiteral("表示された答え")}),
      Place<DrillPushButton>(client, "AnswerButton", QStringLiteral("答えは"),
                             FromTwips(2640, 1920, 1215, 495), ControlFont(family, 12),
                             {QStringLiteral("答えは"), QStringLiteral("答えを表示します")}),
      // Named in words: a screen reader reads the marks themselves as
      // symbols ("white circle") or, with punctuation off, not at all.
      Place<DrillPushButton>(client, "GoodButton", QStringLiteral("○"),
                             FromTwips(2280, 3960, 735, 735), ControlFont(family, 24),
                             {QStringLiteral("まる"), QStringLiteral("正解として記録します")}),
      Place<DrillPushButton>(client, "NGButton", QStringLiteral("×"),
                             FromTwips(3360, 3960, 735, 735), ControlFont(family, 27.75),
                             {QStringLiteral("ばつ"), QStringLiteral("不正解として記録します")}),
      Place<DrillPushButton>(client, "markButton", QStringLiteral("採点"),
                             FromTwips(6720, 3960, 975, 735), ControlFont(family, 18),
                             {QStringLiteral("採点"), QStringLiteral("結果をファイルに保存します")}),
  };
  // The label names the question box for screen readers; "問題" has no "&",
  // so this gives the box no access key.
  label->setBuddy(controls_.TextQuestion);
  setTabOrder(controls_.TextQuestion, controls_.AnsText);
  setTabOrder(controls_.AnsText, controls_.AnswerButton);
  setTabOrder(controls_.AnswerButton, controls_.GoodButton);
  setTabOrder(controls_.GoodButton, controls_.NGButton);
  setTabOrder(controls_.NGButton, controls_.markButton);
  controls_.TextQuestion->setFocus();

  window_ops_ = std::make_unique<QtWindowOps>(*this, controls_, desktop_);
  drill_ = std::make_unique<Drill>(
      *window_ops_, clock, random, files,
      ReadyDrills{QFile::encodeName(DrillsFolder()).toStdString(),
                  QFile::encodeName(desktop_.ResultsFolder()).toStdString()});

  connect(open, &QAction::triggered, this, &Form1::menuFileOpenClick);
  connect(end, &QAction::triggered, this, &Form1::menuFileEndClick);
  connect(howto, &QAction::triggered, this, &Form1::menuHelpHowtoClick);
  connect(controls_.AnswerButton, &QPushButton::clicked, this, &Form1::AnswerButtonClick);
  connect(controls_.GoodButton, &QPushButton::clicked, this, [this] {
    drill_->GoodButtonClick();
    FocusAfterGrade();
  });
  connect(controls_.NGButton, &QPushButton::clicked, this, [this] {
    drill_->NGButtonClick();
    FocusAfterGrade();
  });
  connect(controls_.markButton, &QPushButton::clicked, this, [this] { drill_->markButtonClick(); });

  drill_->WindowLoaded();
}

Form1::~Form1() = default;

void Form1::menuFileOpenClick() {
  QWidget* had_focus = focusWidget();
  const std::optional<QString> chosen =
      desktop_.ChooseQuestionFile(this, window_ops_->next_open_path());
  if (chosen) {
    const QFileInfo file(QDir::cleanPath(QFileInfo(*chosen).absoluteFilePath()));
    const std::string path = QFile::encodeName(file.filePath()).toStdString();
    window_ops_->SetNextOpenPath(path);
    QDir::setCurrent(file.absolutePath());
    const int shown_before = window_ops_->questions_shown();
    drill_->Open(path);
    if (window_ops_->questions_shown() != shown_before) had_focus = controls_.AnswerButton;
  }
  // A control the drill disabled meanwhile has lost the focus.
  if (had_focus == nullptr || !had_focus->isEnabled()) had_focus = controls_.TextQuestion;
  FocusOn(had_focus);
}

void Form1::AnswerButtonClick() {
  drill_->AnswerButtonClick();
  FocusOn(controls_.AnsText);
}

void Form1::FocusAfterGrade() {
  if (controls_.AnswerButton->isEnabled()) {
    FocusOn(controls_.AnswerButton);
  } else {
    FocusOn(controls_.TextQuestion);
  }
}

void Form1::FocusOn(QWidget* control) {
  // After a dialog closes, Qt may not take this window for the active one
  // again, and then no control of it receives the keyboard.
  QApplication::setActiveWindow(this);
  // Qt sends a focus event only when the focus moves: one that is already
  // there is moved away and back, so that a screen reader reads the control
  // anew.
  if (control->hasFocus()) control->clearFocus();
  control->setFocus(Qt::TabFocusReason);
}

void Form1::menuFileEndClick() { close(); }

void Form1::menuHelpHowtoClick() { desktop_.OpenUrl(QUrl::fromLocalFile(HelpPagePath())); }

}  // namespace tavosu
