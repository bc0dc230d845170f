// The window operations on real widgets: texts, button states, the message
// box and the beep.

#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

#include "tests/ui/fake_desktop.h"
#include "tests/ui/modal_closer.h"
#include "ui/qt_window_ops.h"

using tavosu::DrillButton;
using tavosu::DrillControls;
using tavosu::QtWindowOps;
using tavosu::testing::DialogCloser;
using tavosu::testing::FakeDesktop;

Q_DECLARE_METATYPE(DrillButton)

namespace {

// A bare window holding the controls the operations write to.
struct Window {
  Window() {
    window.resize(400, 300);
    int y = 0;
    for (QPushButton* button : Buttons()) button->setGeometry(0, y += 40, 100, 30);
    window.show();
  }

  QList<QPushButton*> Buttons() const {
    return {controls.AnswerButton, controls.GoodButton, controls.NGButton, controls.markButton};
  }

  QWidget window;
  DrillControls controls{new QLineEdit(&window),   new QLineEdit(&window),
                         new QPushButton(&window), new QPushButton(&window),
                         new QPushButton(&window), new QPushButton(&window)};
  FakeDesktop desktop;
  QtWindowOps ops{window, controls, desktop};
};

}  // namespace

class QtWindowOpsTest : public QObject {
  Q_OBJECT

 private slots:
  void textsReplaceWhatTheBoxesShowed() {
    Window w;
    w.controls.TextQuestion->setText(QStringLiteral("typed by the user"));
    w.ops.SetQuestionText("山");
    w.ops.SetAnswerText("やま");
    QCOMPARE(w.controls.TextQuestion->text(), QStringLiteral("山"));
    QCOMPARE(w.controls.AnsText->text(), QStringLiteral("やま"));
    w.ops.SetAnswerText("");
    QCOMPARE(w.controls.AnsText->text(), QString());
    QCOMPARE(w.controls.TextQuestion->text(), QStringLiteral("山"));
  }

  void aLongTextIsShownFromItsStart() {
    Window w;
    const std::string long_text(200, 'x');
    w.ops.SetQuestionText(long_text + "end");
    w.ops.SetAnswerText(long_text + "end");
    QCOMPARE(w.controls.TextQuestion->cursorPosition(), 0);
    QCOMPARE(w.controls.AnsText->cursorPosition(), 0);
  }

  void eachButtonStateGoesToItsOwnButton_data() {
    QTest::addColumn<DrillButton>("button");
    QTest::addColumn<int>("index");
    QTest::newRow("AnswerButton") << DrillButton::AnswerButton << 0;
    QTest::newRow("GoodButton") << DrillButton::GoodButton << 1;
    QTest::newRow("NGButton") << DrillButton::NGButton << 2;
    QTest::newRow("markButton") << DrillButton::markButton << 3;
  }

  void eachButtonStateGoesToItsOwnButton() {
    QFETCH(DrillButton, button);
    QFETCH(int, index);
    Window w;
    const QList<QPushButton*> buttons = w.Buttons();
    w.ops.SetButtonEnabled(button, false);
    for (int i = 0; i < buttons.size(); ++i) QCOMPARE(buttons[i]->isEnabled(), i != index);

    QSignalSpy clicks(buttons[index], &QPushButton::clicked);
    QTest::mouseClick(buttons[index], Qt::LeftButton);
    QCOMPARE(clicks.size(), 0);

    w.ops.SetButtonEnabled(button, true);
    w.ops.SetButtonEnabled(button, true);
    for (QPushButton* other : buttons) QVERIFY(other->isEnabled());
    QTest::mouseClick(buttons[index], Qt::LeftButton);
    QCOMPARE(clicks.size(), 1);
  }

  void messageIsAModalOkOnlyBoxTitledOstrel() {
    Window w;
    bool dismissed_before_return = false;
    DialogCloser closer([&] {
      dismissed_before_return = true;
      return QString();
    });
    const std::string text = "ごくろうさま。採点してください。";
    w.ops.ShowMessage(text);
    QVERIFY(dismissed_before_return);

    QCOMPARE(closer.seen.size(), std::size_t{1});
    const auto& box = closer.seen[0];
    QVERIFY(box.is_message_box);
    QVERIFY(box.modal);
    QVERIFY(box.role == QAccessible::Dialog || box.role == QAccessible::AlertMessage);
    QCOMPARE(box.parent, &w.window);
    QCOMPARE(box.title, QStringLiteral("Ostrel"));
    QCOMPARE(box.text, QString::fromStdString(text));
    QCOMPARE(box.icon, QMessageBox::NoIcon);
    QCOMPARE(box.standard_buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(box.button_count, qsizetype{1});
  }

  void messageTextIsNeverMarkup() {
    Window w;
    DialogCloser closer;
    w.ops.ShowMessage("<b>山</b> &amp;\n2行目");
    QCOMPARE(closer.seen.size(), std::size_t{1});
    QCOMPARE(closer.seen[0].text_format, Qt::PlainText);
    QCOMPARE(closer.seen[0].text, QStringLiteral("<b>山</b> &amp;\n2行目"));
  }

  void beepGoesToTheDesktop() {
    Window w;
    w.ops.Beep();
    QCOMPARE(w.desktop.beeps, 1);
  }
};

QTEST_MAIN(QtWindowOpsTest)
#include "qt_window_ops_test.moc"
