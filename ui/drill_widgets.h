// The drill's own controls: the push button that Return presses, and the
// text box that shows a question or an answer whole and keeps it from the
// first key typed.

#ifndef TAVOSU_UI_DRILL_WIDGETS_H_
#define TAVOSU_UI_DRILL_WIDGETS_H_

#include <QFont>
#include <QLineEdit>
#include <QPushButton>

namespace tavosu {

// A push button that Return and the keypad's Enter press as Space does,
// while it has the focus. Unlike an auto-default button it never becomes the
// default button, so it is never drawn as one. While it has the focus in the
// active window it is drawn with a frame in the scheme's highlight colour,
// whether the focus came by key or by mouse: the style's own focus mark is
// too faint to see, and shown after key presses only.
class DrillPushButton final : public QPushButton {
 public:
  DrillPushButton(const QString& caption, QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
};

// A text box that shows its whole text, and whose text the first key typed
// in it does not replace.
//
// The font set on the box, larger than kSmallestPoints, is the one its text
// is shown in when it fits;
// a longer text is shown in the largest whole point size at which it fits,
// down to kSmallestPoints, and what does not fit even then is shown from
// its start.
//
// When the focus arrives by Tab, as the drill moves it, Qt selects the whole
// text, which makes a screen reader read it. That selection is drawn as
// plain text, and the first key or input-method text typed is put after the
// text instead of replacing it, until the user clicks, types or selects all.
// A selection the user makes is drawn as usual.
class DrillTextBox final : public QLineEdit {
 public:
  static constexpr int kSmallestPoints = 20;

  DrillTextBox(const QString& text, QWidget* parent);

 protected:
  void changeEvent(QEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;

 private:
  void FitText();
  // The pixels a text may take and be shown whole.
  int TextRoom() const;
  bool FitsAt(int points, int room) const;
  bool WholeTextSelected() const;
  void HoldSelection(bool held);
  void ShowSelectionColours();

  QFont full_font_;
  bool held_ = false;      // the selection is the drill's own
  bool restyling_ = false; // the box is setting its own font or colours
};

}  // namespace tavosu

#endif  // TAVOSU_UI_DRILL_WIDGETS_H_
