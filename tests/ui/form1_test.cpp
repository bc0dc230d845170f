// The main window: its layout, and whole commands played through its menus
// and buttons over real question files.

#include <algorithm>
#include <cmath>
#include <memory>

#include <QAccessible>
#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "core/fakes.h"
#include "core/question_file.h"
#include "core/file_system.h"
#include "tests/ui/fake_desktop.h"
#include "tests/ui/modal_closer.h"
#include "ui/form1.h"
#include "ui/install_folders.h"
#include "ui/qt_desktop.h"

using tavosu::Desktop;
using tavosu::Form1;
using tavosu::QtDesktop;
using tavosu::testing::DialogCloser;
using tavosu::testing::FakeDesktop;
using tavosu::testing::FixedClock;
using tavosu::testing::ModalWatcher;
using tavosu::testing::ScriptedRandom;

namespace {

// Question files in code page 932.
const QByteArray kTwoQuestions("\x8E\x52 \x82\xE2\x82\xDC\r\n"  // 山 やま
                               "\x90\xEC \x82\xA9\x82\xED\r\n");  // 川 かわ
const QByteArray kOneQuestion("\x8B\xF3 \x82\xBB\x82\xE7\r\n");  // 空 そら
const QByteArray kAllRight("\x8A\x43 \x82\xA4\x82\xDD \x81\x9B\r\n");  // 海 うみ ○
// 空 そら, then 山 alone: the second line has no space.
const QByteArray kMalformed("\x8B\xF3 \x82\xBB\x82\xE7\r\n\x8E\x52\r\n");

const QString kClosingMessage = QStringLiteral("ごくろうさま。採点してください。");

QString WriteFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) return QString();
  return path;
}

// A window over real files, with a scripted desktop, a fixed clock and
// random draws of 0, so that questions come in file order.
class Harness {
 public:
  explicit Harness(Desktop* desktop = nullptr, bool show = true)
      : window_(desktop != nullptr ? *desktop : fake, clock_, random_,
                *tavosu::DefaultFileSystem()) {
    if (show) window_.show();
  }

  Form1& window() { return window_; }
  QLineEdit* question() { return Find<QLineEdit>("TextQuestion"); }
  QLineEdit* answer() { return Find<QLineEdit>("AnsText"); }
  QPushButton* button(const char* name) { return Find<QPushButton>(name); }

  template <typename T>
  T* Find(const char* name) {
    return window_.findChild<T*>(QString::fromLatin1(name));
  }

  // The enabled flags of 答えは, ○, ×, 採点, like "1001".
  QString Buttons() {
    QString flags;
    for (const char* name : {"AnswerButton", "GoodButton", "NGButton", "markButton"}) {
      flags += button(name)->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
    }
    return flags;
  }

  void Trigger(const char* action) { Find<QAction>(action)->trigger(); }

  // Runs Open with the dialog answering path, or Cancel for nullopt.
  void Open(const std::optional<QString>& path) {
    fake.choices.push_back(path.value_or(QString()));
    Trigger("menuFileOpen");
  }

  void Click(const char* name) { QTest::mouseClick(button(name), Qt::LeftButton); }

  FakeDesktop fake;

 private:
  FixedClock clock_;
  ScriptedRandom random_;
  Form1 window_;
};

QList<QWidget*> Controls(Harness& h) {
  QList<QWidget*> controls;
  for (const char* name : {"Label1", "TextQuestion", "AnswerButton", "AnsText", "GoodButton",
                           "NGButton", "markButton"}) {
    controls << h.Find<QWidget>(name);
  }
  return controls;
}

// The relative luminance of a colour and the contrast ratio of two, as
// WCAG 2 defines them.
double Luminance(const QColor& colour) {
  const auto linear = [](double c) {
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) +
         0.0722 * linear(colour.blueF());
}

double Contrast(const QColor& a, const QColor& b) {
  const double la = Luminance(a);
  const double lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The contrast of a control's text against background as the client area
// shows it: that of the pixel its text changes that contrasts most.
double TextContrast(QWidget* control, const QColor& background) {
  QWidget* client = control->parentWidget();
  const QString text = control->property("text").toString();
  control->setProperty("text", QString());
  const QImage blank = client->grab(control->geometry()).toImage();
  control->setProperty("text", text);
  const QImage shown = client->grab(control->geometry()).toImage();
  double contrast = 1;
  for (int y = 0; y < shown.height(); ++y) {
    for (int x = 0; x < shown.width(); ++x) {
      if (shown.pixel(x, y) == blank.pixel(x, y)) continue;
      contrast = std::max(contrast, Contrast(shown.pixelColor(x, y), background));
    }
  }
  return contrast;
}

// Whether Qt's own line edit, in box's place and font at points, shows the
// box's text whole: not scrolled when its cursor goes to the end.
bool ShowsWhole(const QLineEdit* box, int points) {
  QLineEdit probe(box->text());
  probe.setGeometry(box->geometry());
  QFont font = box->font();
  font.setPointSize(points);
  probe.setFont(font);
  probe.setCursorPosition(0);
  const QImage start = probe.grab().toImage();
  probe.end(false);
  return probe.grab().toImage() == start;
}

// While alive, the application has a dark colour scheme, as desktops' dark
// themes have: light text on dark grey.
class DarkScheme {
 public:
  static constexpr QRgb kBase = 0x2a2a2a;

  DarkScheme() {
    const QColor grey(0x353535);
    QApplication::setPalette(QPalette(Qt::white, grey, grey.lighter(), grey.darker(), grey,
                                      Qt::white, Qt::white, QColor(kBase), grey));
  }
  ~DarkScheme() { QApplication::setPalette(saved_); }

 private:
  const QPalette saved_ = QApplication::palette();
};

}  // namespace

class Form1Test : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    folder_ = std::make_unique<QTemporaryDir>();
    QVERIFY(folder_->isValid());
    saved_current_ = QDir::currentPath();
    two_ = WriteFile(folder_->filePath(QStringLiteral("two.txt")), kTwoQuestions);
    QVERIFY(!two_.isEmpty());
  }

  void cleanup() { QDir::setCurrent(saved_current_); }

  // Layout.

  void controlSitsWhereDrawn_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("points");
    QTest::newRow("Label1") << "Label1" << QRect(16, 8, 97, 25) << "問題" << 18.0;
    QTest::newRow("TextQuestion") << "TextQuestion" << QRect(16, 40, 497, 73) << "" << 48.0;
    QTest::newRow("AnswerButton") << "AnswerButton" << QRect(176, 128, 81, 33) << "答えは" << 12.0;
    QTest::newRow("AnsText") << "AnsText" << QRect(16, 168, 497, 73) << "" << 48.0;
    QTest::newRow("GoodButton") << "GoodButton" << QRect(152, 264, 49, 49) << "○" << 24.0;
    QTest::newRow("NGButton") << "NGButton" << QRect(224, 264, 49, 49) << "×" << 27.75;
    QTest::newRow("markButton") << "markButton" << QRect(448, 264, 65, 49) << "採点" << 18.0;
  }

  void controlSitsWhereDrawn() {
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    QFETCH(QString, text);
    QFETCH(double, points);
    Harness h;
    auto* control = h.window().findChild<QWidget*>(name);
    QVERIFY(control != nullptr);
    QCOMPARE(control->parentWidget(), h.window().centralWidget());
    QCOMPARE(control->geometry(), geometry);
    QCOMPARE(control->property("text").toString(), text);
    QCOMPARE(control->font().pointSizeF(), points);
    QCOMPARE(control->font().weight(), QFont::Normal);
    QVERIFY(!control->font().italic());
  }

  void clientAreaIsFixedPaleYellowUnderTheMenuBar() {
    Harness h;
    QVERIFY(QTest::qWaitForWindowExposed(&h.window()));
    QWidget* client = h.window().centralWidget();
    QMenuBar* menu_bar = h.window().menuBar();
    QCOMPARE(h.window().windowTitle(), QStringLiteral("Tavosu"));
    QVERIFY(!menu_bar->isNativeMenuBar());
    QCOMPARE(client->size(), QSize(531, 323));
    QCOMPARE(client->y(), menu_bar->geometry().bottom() + 1);
    QCOMPARE(h.window().size(), QSize(531, menu_bar->height() + 323));
    QCOMPARE(h.window().minimumSize(), h.window().maximumSize());

    const QImage shown = client->grab().toImage();
    for (const QPoint& empty : {QPoint(5, 5), QPoint(300, 150), QPoint(5, 318), QPoint(525, 255)}) {
      QCOMPARE(shown.pixelColor(empty), QColor(255, 255, 128));
    }
  }

  void textIsReadableUnderADarkScheme_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QColor>("background");
    QTest::newRow("Label1 on the fixed yellow") << "Label1" << QColor(255, 255, 128);
    QTest::newRow("TextQuestion in the scheme's colours")
        << "TextQuestion" << QColor(DarkScheme::kBase);
    QTest::newRow("AnsText in the scheme's colours") << "AnsText" << QColor(DarkScheme::kBase);
  }

  void textIsReadableUnderADarkScheme() {
    QFETCH(QString, name);
    QFETCH(QColor, background);
    Harness h;
    h.question()->setText(QStringLiteral("山"));
    h.answer()->setText(QStringLiteral("やま"));
    // The scheme changes while the window is up, as when the user switches
    // the desktop's theme; the change reaches the window in posted events.
    DarkScheme dark;
    QTRY_COMPARE(h.question()->palette().color(QPalette::Base), QColor(DarkScheme::kBase));
    auto* control = h.window().findChild<QWidget*>(name);
    const QImage shown = h.window().centralWidget()->grab(control->geometry()).toImage();
    QCOMPARE(shown.pixelColor(shown.width() - 5, shown.height() / 2), background);
    const double contrast = TextContrast(control, background);
    QVERIFY2(contrast >= 4.5, qPrintable(QString::number(contrast)));
  }

  void iconIsThe32PixelImage() {
    Harness h;
    const QIcon icon = h.window().windowIcon();
    QVERIFY(!icon.isNull());
    QVERIFY(icon.availableSizes().contains(QSize(32, 32)));
  }

  void everyControlUsesOneJapaneseGothicFace() {
    Harness h;
    const QString family = QFontInfo(h.Find<QWidget>("Label1")->font()).family();
    QVERIFY(QFontDatabase::families(QFontDatabase::Japanese).contains(family));
    if (QFontDatabase::hasFamily(QStringLiteral("ＭＳ Ｐゴシック"))) {
      QCOMPARE(family, QStringLiteral("ＭＳ Ｐゴシック"));
    } else if (QFontDatabase::hasFamily(QStringLiteral("IPAPGothic"))) {
      QCOMPARE(family, QStringLiteral("IPAPGothic"));
    }
    for (QWidget* control : Controls(h)) {
      QCOMPARE(QFontInfo(control->font()).family(), family);
      const QString caption = control->property("text").toString() + QStringLiteral("山やま");
      const QFontMetrics metrics(control->font());
      for (char32_t c : caption.toUcs4()) QVERIFY2(metrics.inFontUcs4(c), qPrintable(caption));
    }
  }

  void tabGoesThroughTheControlsInDrawnOrder() {
    Harness h;
    QWidget* client = h.window().centralWidget();
    QWidget* first = h.question();
    QStringList order;
    QWidget* w = first;
    do {
      if (client->isAncestorOf(w) && (w->focusPolicy() & Qt::TabFocus) != 0) {
        order << w->objectName();
      }
      w = w->nextInFocusChain();
    } while (w != first);
    QCOMPARE(order, (QStringList{"TextQuestion", "AnsText", "AnswerButton", "GoodButton",
                                 "NGButton", "markButton"}));
    QCOMPARE(h.Find<QLabel>("Label1")->focusPolicy(), Qt::NoFocus);

    QApplication::setActiveWindow(&h.window());
    QVERIFY(QTest::qWaitForWindowActive(&h.window()));
    QCOMPARE(QApplication::focusWidget(), h.question());
  }

  void drillButtonsAreOffBeforeTheWindowFirstShows() {
    FakeDesktop desktop;
    Harness h(&desktop, false);
    QCOMPARE(h.Buttons(), QStringLiteral("0000"));
    QVERIFY(!h.window().isVisible());
    QCOMPARE(h.question()->text(), QString());
    QCOMPARE(h.answer()->text(), QString());
    QVERIFY(!h.question()->isReadOnly());
    QVERIFY(!h.answer()->isReadOnly());
  }

  void noButtonIsDefaultAndNothingHasAKey() {
    Harness h;
    for (const char* name : {"AnswerButton", "GoodButton", "NGButton", "markButton"}) {
      QPushButton* b = h.button(name);
      QVERIFY2(!b->isDefault() && !b->autoDefault(), name);
      QVERIFY2(b->shortcut().isEmpty(), name);
      QVERIFY2(!b->text().contains(QLatin1Char('&')), name);
    }
    for (QAction* action : h.window().findChildren<QAction*>()) {
      QVERIFY2(action->shortcut().isEmpty(), qPrintable(action->objectName()));
      QVERIFY2(!action->text().contains(QLatin1Char('&')), qPrintable(action->text()));
    }
  }

  void enterAndSpacePressTheFocusedButton_data() {
    QTest::addColumn<Qt::Key>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::newRow("Return") << Qt::Key_Return << Qt::KeyboardModifiers(Qt::NoModifier);
    QTest::newRow("keypad Enter") << Qt::Key_Enter << Qt::KeyboardModifiers(Qt::KeypadModifier);
    QTest::newRow("Space") << Qt::Key_Space << Qt::KeyboardModifiers(Qt::NoModifier);
  }

  void enterAndSpacePressTheFocusedButton() {
    QFETCH(Qt::Key, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    Harness h;
    QApplication::setActiveWindow(&h.window());
    QVERIFY(QTest::qWaitForWindowActive(&h.window()));
    h.Open(two_);
    QPushButton* answer = h.button("AnswerButton");
    answer->setFocus();
    QTest::keyClick(answer, key, modifiers);
    QCOMPARE(h.answer()->text(), QStringLiteral("やま"));
    QPushButton* good = h.button("GoodButton");
    good->setFocus();
    QVERIFY(good->hasFocus());
    QTest::keyClick(good, key, modifiers);
    QCOMPARE(h.question()->text(), QStringLiteral("川"));
    QCOMPARE(h.fake.beeps, 1);
    QCOMPARE(h.Buttons(), QStringLiteral("1001"));
    // Having the focus made neither a default button.
    QVERIFY(!answer->isDefault() && !good->isDefault());
  }

  void enterInATextBoxDoesNothing() {
    Harness h;
    h.Open(two_);
    for (QLineEdit* box : {h.question(), h.answer()}) {
      QTest::keyClick(box, Qt::Key_Return);
      QTest::keyClick(box, Qt::Key_Enter, Qt::KeypadModifier);
    }
    QCOMPARE(h.question()->text(), QStringLiteral("山"));
    QCOMPARE(h.answer()->text(), QString());
    QCOMPARE(h.fake.beeps, 0);
    QCOMPARE(h.Buttons(), QStringLiteral("1001"));
  }

  // fit: "full" keeps the box's 48 pt, "shrunk" is the largest whole size
  // that shows the text whole, "smallest" is 20 pt, shown from the start.
  void aLongAnswerIsShownWhole_data() {
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("fit");
    QTest::newRow("short") << "やま" << "full";
    QTest::newRow("seven kanji") << "国際連合本部前" << "full";
    QTest::newRow("three readings") << "いちにち、ついたち、ひとひ" << "shrunk";
    QTest::newRow("Latin") << "a-long-answer-in-the-Latin-alphabet" << "shrunk";
    QTest::newRow("thirty kanji") << QString(30, QChar(u'漢')) << "smallest";
  }

  void aLongAnswerIsShownWhole() {
    QFETCH(QString, answer);
    QFETCH(QString, fit);
    const QString file = WriteFile(folder_->filePath(QStringLiteral("long.txt")),
                                   QStringLiteral("問 %1\r\n").arg(answer).toUtf8());
    Harness h;
    h.Open(file);
    h.Click("AnswerButton");
    QLineEdit* box = h.answer();
    QCOMPARE(box->text(), answer);
    const auto whole = [box](int points) { return ShowsWhole(box, points); };
    const int points = box->font().pointSize();
    if (fit == QStringLiteral("full")) {
      QCOMPARE(points, 48);
      QVERIFY(whole(48));
    } else if (fit == QStringLiteral("shrunk")) {
      QVERIFY2(points > 20 && points < 48, qPrintable(QString::number(points)));
      QVERIFY(whole(points));
      QVERIFY(!whole(points + 1));
    } else {
      QCOMPARE(points, 20);
      QVERIFY(!whole(20));
      QCOMPARE(box->cursorPosition(), 0);
    }
  }

  // At every width of the box, pixel by pixel, from its own down to one
  // that shows the text whole at no size, the size chosen is the largest
  // that shows it whole: one point more does not, and the box's 48 pt only
  // where it does.
  void theSizeChosenIsTheLargestThatShowsTheTextWhole() {
    Harness h;
    QLineEdit* box = h.answer();
    const QString text = QStringLiteral("いちにち、ついたち、ひとひ");
    for (int width = box->width(); width >= 250; --width) {
      box->resize(width, box->height());
      box->setText(QString());
      box->setText(text);
      const int points = box->font().pointSize();
      QVERIFY2(points == 48 || !ShowsWhole(box, points + 1), qPrintable(QString::number(width)));
      QVERIFY2(points == 20 || ShowsWhole(box, points), qPrintable(QString::number(width)));
    }
    QCOMPARE(box->font().pointSize(), 20);
  }

  // Every question and answer of the ready drills fits its box at 32 pt or
  // more, and nine answers in ten at the box's full 48 pt.
  void everyDrillTextFitsItsBox() {
    Harness h(nullptr, false);
    int answers = 0;
    int answers_at_full_size = 0;
    QDirIterator files(tavosu::DrillsFolder(), {QStringLiteral("*.txt")}, QDir::Files,
                       QDirIterator::Subdirectories);
    while (files.hasNext()) {
      const QString path = files.next();
      const tavosu::QuestionSet set =
          tavosu::LoadQuestionFile(
              *tavosu::DefaultFileSystem()->OpenForReading(QFile::encodeName(path).toStdString()))
              .set;
      for (int i = 0; i < set.QuestionCount; ++i) {
        for (QLineEdit* box : {h.question(), h.answer()}) {
          box->setText(QString::fromUtf8(box == h.question() ? set.Questions[i] : set.Answers[i]));
          QVERIFY2(box->font().pointSize() >= 32, qPrintable(path + QLatin1Char(' ') + box->text()));
        }
        ++answers;
        answers_at_full_size += h.answer()->font().pointSize() == 48;
      }
    }
    qInfo("%d of %d answers shown at 48 pt", answers_at_full_size, answers);
    QVERIFY(answers > 0);
    QVERIFY(10 * answers_at_full_size >= 9 * answers);
  }

  void menusAreFileAndHelpInHalfWidthKatakana() {
    Harness h;
    auto* file = h.Find<QMenu>("menuFile");
    auto* help = h.Find<QMenu>("menuHelp");
    QVERIFY(file != nullptr && help != nullptr);
    QCOMPARE(h.window().menuBar()->actions(),
             (QList<QAction*>{file->menuAction(), help->menuAction()}));
    QCOMPARE(file->title(), QStringLiteral("ﾌｧｲﾙ"));
    QCOMPARE(help->title(), QStringLiteral("ﾍﾙﾌﾟ"));
    QCOMPARE(file->actions(),
             (QList<QAction*>{h.Find<QAction>("menuFileOpen"), h.Find<QAction>("menuFileEnd")}));
    QCOMPARE(help->actions(), QList<QAction*>{h.Find<QAction>("menuHelpHowto")});
    QCOMPARE(file->actions()[0]->text(), QStringLiteral("開く"));
    QCOMPARE(file->actions()[1]->text(), QStringLiteral("終わる"));
    QCOMPARE(help->actions()[0]->text(), QStringLiteral("使い方"));
    for (QAction* action : file->actions() + help->actions()) QVERIFY(action->isEnabled());
  }

  // Drilling.

  void beforeAnyLoadTheDrillButtonsDoNothing() {
    QVERIFY(QDir::setCurrent(folder_->path()));
    Harness h;
    DialogCloser closer;
    for (const char* name : {"AnswerButton", "GoodButton", "NGButton", "markButton"}) {
      h.Click(name);
    }
    QVERIFY(closer.seen.empty());
    QCOMPARE(h.fake.beeps, 0);
    QCOMPARE(h.answer()->text(), QString());
    QCOMPARE(QDir(folder_->path()).entryList(QDir::Files), QStringList{"two.txt"});
  }

  void aWholeDrillPlayedByClicks() {
    Harness h;
    h.Open(two_);
    QCOMPARE(QDir(QDir::currentPath()), QDir(folder_->path()));
    QCOMPARE(h.question()->text(), QStringLiteral("山"));
    QCOMPARE(h.answer()->text(), QString());
    QCOMPARE(h.Buttons(), QStringLiteral("1001"));

    h.Click("AnswerButton");
    QCOMPARE(h.answer()->text(), QStringLiteral("やま"));
    QCOMPARE(h.fake.beeps, 1);
    QCOMPARE(h.Buttons(), QStringLiteral("0111"));

    h.Click("GoodButton");
    QCOMPARE(h.question()->text(), QStringLiteral("川"));
    QCOMPARE(h.answer()->text(), QString());
    QCOMPARE(h.Buttons(), QStringLiteral("1001"));

    h.Click("AnswerButton");
    QCOMPARE(h.answer()->text(), QStringLiteral("かわ"));
    QCOMPARE(h.fake.beeps, 2);

    DialogCloser closer([&] { return h.answer()->text() + QLatin1Char('|') + h.Buttons(); });
    h.Click("NGButton");
    QCOMPARE(closer.seen.size(), std::size_t{1});
    const auto& box = closer.seen[0];
    QCOMPARE(box.title, QStringLiteral("Ostrel"));
    QCOMPARE(box.text, kClosingMessage);
    QCOMPARE(box.icon, QMessageBox::NoIcon);
    QCOMPARE(box.button_count, qsizetype{1});
    QCOMPARE(box.standard_buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(box.parent, &h.window());
    // The closing message comes while the last answer is still shown.
    QCOMPARE(box.note, QStringLiteral("かわ|0001"));

    QCOMPARE(h.question()->text(), QStringLiteral("川"));
    QCOMPARE(h.answer()->text(), QString());
    QCOMPARE(h.Buttons(), QStringLiteral("0001"));
  }

  void scoreWritesIntoTheFolderOfTheQuestionFile() {
    Harness h;
    h.Open(two_);
    h.Click("AnswerButton");
    h.Click("GoodButton");

    DialogCloser closer;
    h.Click("markButton");
    QCOMPARE(closer.seen.size(), std::size_t{1});
    QCOMPARE(closer.seen[0].title, QStringLiteral("Ostrel"));
    QCOMPARE(closer.seen[0].text, QStringLiteral(" 1問中、 1問正解です。(100点です)"));
    QVERIFY(QFile::exists(folder_->filePath(QStringLiteral("採点-平成 16年05月08日15時43分51秒.txt"))));
    QCOMPARE(h.Buttons(), QStringLiteral("1001"));
    QCOMPARE(h.question()->text(), QStringLiteral("川"));
  }

  void cancelChangesNothing() {
    Harness h;
    h.Open(two_);
    h.Click("AnswerButton");
    QTemporaryDir elsewhere;
    QVERIFY(QDir::setCurrent(elsewhere.path()));

    DialogCloser closer;
    h.Open(std::nullopt);
    QVERIFY(closer.seen.empty());
    QCOMPARE(h.question()->text(), QStringLiteral("山"));
    QCOMPARE(h.answer()->text(), QStringLiteral("やま"));
    QCOMPARE(h.Buttons(), QStringLiteral("0111"));
    QCOMPARE(QDir(QDir::currentPath()), QDir(elsewhere.path()));
  }

  void aFailedLoadChangesNothing_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<bool>("create");
    QTest::newRow("line without a space") << "bad.txt" << kMalformed << true;
    QTest::newRow("missing file") << "none.txt" << QByteArray() << false;
    QTest::newRow("folder") << "folder.txt" << QByteArray() << false;
  }

  void aFailedLoadChangesNothing() {
    QFETCH(QString, name);
    QFETCH(QByteArray, contents);
    QFETCH(bool, create);
    QDir folder(folder_->path());
    QVERIFY(folder.mkdir(QStringLiteral("other")));
    QVERIFY(folder.mkdir(QStringLiteral("other/folder.txt")));
    const QString path = folder_->filePath(QStringLiteral("other/") + name);
    if (create) QVERIFY(!WriteFile(path, contents).isEmpty());

    Harness h;
    h.Open(two_);
    h.Click("AnswerButton");
    DialogCloser closer;
    h.Open(path);
    QVERIFY(closer.seen.empty());
    QCOMPARE(h.question()->text(), QStringLiteral("山"));
    QCOMPARE(h.answer()->text(), QStringLiteral("やま"));
    QCOMPARE(h.Buttons(), QStringLiteral("0111"));
    // Choosing the file made its folder current before the load failed.
    QCOMPARE(QDir(QDir::currentPath()), QDir(folder_->filePath(QStringLiteral("other"))));

    // The old drill goes on where it was.
    h.Click("GoodButton");
    QCOMPARE(h.question()->text(), QStringLiteral("川"));
    QCOMPARE(h.Buttons(), QStringLiteral("1001"));
  }

  void openingAnotherFileWhileAnAnswerIsShownKeepsTheAnswer() {
    const QString one = WriteFile(folder_->filePath(QStringLiteral("one.txt")), kOneQuestion);
    Harness h;
    h.Open(two_);
    h.Click("AnswerButton");
    DialogCloser closer;
    h.Open(one);
    QVERIFY(closer.seen.empty());
    QCOMPARE(h.question()->text(), QStringLiteral("空"));
    QCOMPARE(h.answer()->text(), QStringLiteral("やま"));
    QCOMPARE(h.Buttons(), QStringLiteral("1111"));

    h.Click("AnswerButton");
    QCOMPARE(h.answer()->text(), QStringLiteral("そら"));
    QCOMPARE(h.Buttons(), QStringLiteral("0111"));
  }

  void openingAFileWithNothingLeftClosesTheDrill_data() {
    QTest::addColumn<QByteArray>("contents");
    QTest::newRow("empty file") << QByteArray();
    QTest::newRow("every question right") << kAllRight;
  }

  void openingAFileWithNothingLeftClosesTheDrill() {
    QFETCH(QByteArray, contents);
    const QString done = WriteFile(folder_->filePath(QStringLiteral("done.txt")), contents);
    QVERIFY(!done.isEmpty());
    Harness h;
    h.Open(two_);
    h.Click("AnswerButton");
    DialogCloser closer;
    h.Open(done);
    QCOMPARE(closer.seen.size(), std::size_t{1});
    QCOMPARE(closer.seen[0].text, kClosingMessage);
    QCOMPARE(h.Buttons(), QStringLiteral("0001"));
    QCOMPARE(h.question()->text(), QStringLiteral("山"));
    QCOMPARE(h.answer()->text(), QStringLiteral("やま"));
  }

  void everyOpenStartsFromTheFileChosenLast() {
    const QString missing = folder_->filePath(QStringLiteral("missing.txt"));
    Harness h;
    h.Open(two_);
    h.Open(std::nullopt);
    h.Open(missing);
    h.Open(std::nullopt);
    QCOMPARE(h.fake.offered_paths, (QStringList{QString(), two_, two_, missing}));
  }

  void openThroughTheRealDialog() {
    QDir folder(folder_->path());
    QVERIFY(folder.mkdir(QStringLiteral("drills")));
    const QString upper =
        WriteFile(folder_->filePath(QStringLiteral("drills/DRILL.TXT")), kTwoQuestions);
    QVERIFY(!upper.isEmpty());

    QtDesktop desktop;
    Harness h(&desktop);
    QStringList filters;
    ModalWatcher watcher([&](QWidget* modal) {
      auto* dialog = qobject_cast<QFileDialog*>(modal);
      if (dialog == nullptr) {
        modal->close();
        return;
      }
      filters = dialog->nameFilters();
      auto* name_box = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
      if (name_box != nullptr) {
        // The user pastes the whole path into the file name box.
        QApplication::clipboard()->setText(upper);
        QTest::keyClick(name_box, Qt::Key_V, Qt::ControlModifier);
        QTest::keyClick(name_box, Qt::Key_Return);
      }
      if (dialog->isVisible()) dialog->reject();
    });
    QVERIFY(QDir::setCurrent(folder_->path()));
    h.Trigger("menuFileOpen");

    QCOMPARE(filters, QStringList{QStringLiteral("テキスト ファイル (*.txt)")});
    QCOMPARE(h.question()->text(), QStringLiteral("山"));
    QCOMPARE(h.Buttons(), QStringLiteral("1001"));
    QCOMPARE(QDir(QDir::currentPath()), QDir(folder_->filePath(QStringLiteral("drills"))));
  }

  // Steps are "open FILE" (two, one or missing), "cancel", "tab to NAME",
  // "press NAME", by Space on the button the user tabbed to, and "select
  // all", by Ctrl+A in the focused box.
  void focusNeverLandsOnAGradeOrScoreButton_data() {
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("focus");
    QTest::addColumn<QString>("described");  // 答えは's description
    QTest::newRow("reveal") << QStringList{"open two", "tab to AnswerButton", "press AnswerButton"}
                            << "AnsText" << "問題は 山";
    QTest::newRow("select all after a reveal")
        << QStringList{"open two", "tab to AnswerButton", "press AnswerButton", "select all"}
        << "AnsText" << "問題は 山";
    QTest::newRow("grade with one left")
        << QStringList{"open two", "tab to AnswerButton", "press AnswerButton",
                       "tab to GoodButton", "press GoodButton"}
        << "AnswerButton" << "問題は 川";
    QTest::newRow("grade with none left")
        << QStringList{"open one", "tab to AnswerButton", "press AnswerButton",
                       "tab to NGButton", "press NGButton"}
        << "TextQuestion" << "問題は 空";
    QTest::newRow("Open") << QStringList{"tab to AnsText", "open two"} << "AnswerButton"
                          << "問題は 山";
    QTest::newRow("Cancel") << QStringList{"open two", "tab to AnsText", "cancel"} << "AnsText"
                            << "問題は 山";
    QTest::newRow("failed Open")
        << QStringList{"open two", "tab to AnswerButton", "press AnswerButton", "open missing"}
        << "AnsText" << "問題は 山";
  }

  void focusNeverLandsOnAGradeOrScoreButton() {
    QFETCH(QStringList, steps);
    QFETCH(QString, focus);
    QFETCH(QString, described);
    const QString one = WriteFile(folder_->filePath(QStringLiteral("one.txt")), kOneQuestion);
    const QString missing = folder_->filePath(QStringLiteral("missing.txt"));
    Harness h;
    QVERIFY(QTest::qWaitForWindowActive(&h.window()));
    DialogCloser closer;
    for (const QString& step : steps) {
      const QString object = step.section(QLatin1Char(' '), -1);
      if (step.startsWith(QStringLiteral("open "))) {
        h.Open(object == "two" ? two_ : object == "one" ? one : missing);
      } else if (step == QStringLiteral("cancel")) {
        h.Open(std::nullopt);
      } else if (step.startsWith(QStringLiteral("tab to "))) {
        h.Find<QWidget>(qPrintable(object))->setFocus(Qt::TabFocusReason);
      } else if (step == QStringLiteral("select all")) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
      } else {
        QWidget* pressed = h.Find<QWidget>(qPrintable(object));
        QCOMPARE(QApplication::focusWidget(), pressed);
        QTest::keyClick(pressed, Qt::Key_Space);
      }
    }
    QCOMPARE(!closer.seen.empty(), steps.contains(QStringLiteral("open one")));
    QVERIFY(QApplication::focusWidget() != nullptr);
    QCOMPARE(QApplication::focusWidget()->objectName(), focus);
    QCOMPARE(h.button("AnswerButton")->accessibleDescription(), described);
    auto* box = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    if (box == nullptr) return;
    // The user's own selection is drawn in the scheme's highlight colour;
    // the one the drill's focus move made, as plain text.
    const bool selected_by_user = steps.contains(QStringLiteral("select all"));
    const QImage drawn = box->grab().toImage();
    const QColor highlight = h.window().palette().color(QPalette::Active, QPalette::Highlight);
    bool highlighted = false;
    for (int y = 0; y < drawn.height() && !highlighted; ++y) {
      for (int x = 0; x < drawn.width() && !highlighted; ++x) {
        highlighted = drawn.pixelColor(x, y) == highlight;
      }
    }
    QCOMPARE(highlighted, selected_by_user);
    if (!selected_by_user) {
      // It shows its text from the start, and keys pressed there keep it.
      QCOMPARE(box->cursorPosition(), 0);
      const QString shown = box->text();
      for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space}) {
        QTest::keyClick(box, key);
      }
      QVERIFY2(box->text().startsWith(shown), qPrintable(box->text()));
    }
  }

  // Quit and help.

  void quitEndsADrillWithoutScoringOrAsking() {
    QVERIFY(QDir::setCurrent(folder_->path()));
    Harness h;
    h.Open(two_);
    h.Click("AnswerButton");
    DialogCloser closer;
    h.Trigger("menuFileEnd");
    QVERIFY(!h.window().isVisible());
    QVERIFY(closer.seen.empty());
    QCOMPARE(QDir(folder_->path()).entryList(QDir::Files), QStringList{"two.txt"});
    QVERIFY(QApplication::quitOnLastWindowClosed());
  }

  void helpOpensTheInstalledHelpPage() {
    Harness h;
    DialogCloser closer;
    h.Trigger("menuHelpHowto");
    QVERIFY(closer.seen.empty());
    QCOMPARE(h.fake.urls.size(), qsizetype{1});
    const QUrl url = h.fake.urls[0];
    QVERIFY(url.isLocalFile());
    QVERIFY2(url.path().endsWith(QStringLiteral("/help/index.html")), qPrintable(url.path()));
    QVERIFY2(QFileInfo(url.toLocalFile()).isFile(), qPrintable(url.toLocalFile()));
  }

  // Accessibility.

  void screenReadersAnnounceEveryControl_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QAccessible::Role>("role");
    QTest::addColumn<QString>("spoken");
    QTest::addColumn<QString>("description");
    QTest::newRow("Label1") << "Label1" << QAccessible::StaticText << "問題" << "問題欄の見出し";
    QTest::newRow("TextQuestion") << "TextQuestion" << QAccessible::EditableText << "問題"
                                  << "表示中の問題";
    QTest::newRow("AnsText") << "AnsText" << QAccessible::EditableText << "答え"
                             << "表示された答え";
    QTest::newRow("AnswerButton") << "AnswerButton" << QAccessible::Button << "答えは"
                                  << "答えを表示します";
    QTest::newRow("GoodButton") << "GoodButton" << QAccessible::Button << "まる"
                                << "正解として記録します";
    QTest::newRow("NGButton") << "NGButton" << QAccessible::Button << "ばつ"
                              << "不正解として記録します";
    QTest::newRow("markButton") << "markButton" << QAccessible::Button << "採点"
                                << "結果をファイルに保存します";
  }

  void screenReadersAnnounceEveryControl() {
    QFETCH(QString, name);
    QFETCH(QAccessible::Role, role);
    QFETCH(QString, spoken);
    QFETCH(QString, description);
    Harness h;
    auto* control = h.window().findChild<QWidget*>(name);
    QVERIFY(control != nullptr);
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
    QVERIFY(accessible != nullptr);
    QCOMPARE(accessible->role(), role);
    QCOMPARE(accessible->text(QAccessible::Name), spoken);
    QCOMPARE(accessible->text(QAccessible::Description), description);
    // Disabled drill buttons are still announced, as unavailable.
    QCOMPARE(accessible->state().disabled, !control->isEnabled());
  }

  void theLabelNamesTheQuestionBox() {
    Harness h;
    QAccessibleInterface* box = QAccessible::queryAccessibleInterface(h.question());
    QVERIFY(box != nullptr);
    const auto labels = box->relations(QAccessible::Label);
    QCOMPARE(labels.size(), qsizetype{1});
    QCOMPARE(labels[0].first->object(), h.Find<QObject>("Label1"));
    // A label without an "&" gives its buddy no access key.
    QVERIFY(!h.Find<QLabel>("Label1")->text().contains(QLatin1Char('&')));
  }

 private:
  std::unique_ptr<QTemporaryDir> folder_;
  QString saved_current_;
  QString two_;
};

QTEST_MAIN(Form1Test)
#include "form1_test.moc"
