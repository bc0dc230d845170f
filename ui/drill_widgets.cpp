#include "ui/drill_widgets.h"

#include <QFontMetricsF>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

#include <algorithm>
#include <cmath>

namespace tavosu {
namespace {

constexpr int kFocusFrameWidth = 2;

// Qt's line edit leaves this many pixels between its contents' edges and
// the text, and scrolls a text unless one pixel more than its width,
// rounded to whole pixels, is left.
constexpr int kLineEditTextMargin = 2;
constexpr int kLineEditCursorRoom = 1;

// Hands handle the event, with Return or Enter turned into Space.
template <typename Handle>
void AsSpace(QKeyEvent* event, Handle handle) {
  if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) {
    handle(event);
    return;
  }
  QKeyEvent space(event->type(), Qt::Key_Space, event->modifiers(), QStringLiteral(" "),
                  event->isAutoRepeat(), static_cast<quint16>(event->count()));
  handle(&space);
  event->setAccepted(space.isAccepted());
}

}  // namespace

DrillPushButton::DrillPushButton(const QString& caption, QWidget* parent)
    : QPushButton(caption, parent) {
  setAutoDefault(false);
  setDefault(false);
}

void DrillPushButton::paintEvent(QPaintEvent* event) {
  QPushButton::paintEvent(event);
  if (!hasFocus() || !isActiveWindow()) return;
  QPainter painter(this);
  painter.setPen(QPen(palette().color(QPalette::Highlight), kFocusFrameWidth));
  const int inset = kFocusFrameWidth / 2;
  painter.drawRect(rect().adjusted(inset, inset, -inset - 1, -inset - 1));
}

void DrillPushButton::keyPressEvent(QKeyEvent* event) {
  AsSpace(event, [this](QKeyEvent* key) { QPushButton::keyPressEvent(key); });
}

void DrillPushButton::keyReleaseEvent(QKeyEvent* event) {
  AsSpace(event, [this](QKeyEvent* key) { QPushButton::keyReleaseEvent(key); });
}

DrillTextBox::DrillTextBox(const QString& text, QWidget* parent) : QLineEdit(text, parent) {
  connect(this, &QLineEdit::textChanged, this, &DrillTextBox::FitText);
  connect(this, &QLineEdit::selectionChanged, this,
          [this] { HoldSelection(held_ && WholeTextSelected()); });
}

void DrillTextBox::changeEvent(QEvent* event) {
  QLineEdit::changeEvent(event);
  if (restyling_) return;
  if (event->type() == QEvent::FontChange) {
    full_font_ = font();
    FitText();
  } else if (event->type() == QEvent::PaletteChange && held_) {
    // The scheme changed: the selection takes the box's new colours.
    ShowSelectionColours();
  }
}

void DrillTextBox::focusInEvent(QFocusEvent* event) {
  QLineEdit::focusInEvent(event);
  // A window that becomes active again gives its box back the focus and the
  // selection it had, whoever made it.
  if (event->reason() == Qt::ActiveWindowFocusReason) return;
  HoldSelection(WholeTextSelected());
  // The selection keeps the start of a text too long for the box in view,
  // as the box shows it without the focus.
  const auto length = static_cast<int>(text().size());
  if (held_) setSelection(length, -length);
}

void DrillTextBox::mousePressEvent(QMouseEvent* event) {
  HoldSelection(false);
  QLineEdit::mousePressEvent(event);
}

void DrillTextBox::keyPressEvent(QKeyEvent* event) {
  if (held_ && !event->text().isEmpty() && event->text().front().isPrint()) end(false);
  QLineEdit::keyPressEvent(event);
  if (event->matches(QKeySequence::SelectAll)) HoldSelection(false);
}

void DrillTextBox::inputMethodEvent(QInputMethodEvent* event) {
  if (held_ && (!event->commitString().isEmpty() || !event->preeditString().isEmpty())) {
    end(false);
  }
  QLineEdit::inputMethodEvent(event);
}

void DrillTextBox::FitText() {
  const int room = TextRoom();
  int points = full_font_.pointSize();
  if (!FitsAt(points, room)) {
    // The text's width shrinks about in step with the font; the search
    // starts just above that guess.
    const double width = QFontMetricsF(full_font_).horizontalAdvance(text());
    const auto guess = static_cast<int>(std::ceil(points * room / width));
    points = std::clamp(guess, kSmallestPoints, points - 1);
    while (points > kSmallestPoints && !FitsAt(points, room)) --points;
  }
  QFont fitted = full_font_;
  fitted.setPointSize(points);
  if (fitted == font()) return;
  restyling_ = true;
  setFont(fitted);
  restyling_ = false;
}

int DrillTextBox::TextRoom() const {
  QStyleOptionFrame option;
  initStyleOption(&option);
  const QMargins margins = textMargins();
  return style()->subElementRect(QStyle::SE_LineEditContents, &option, this).width() -
         margins.left() - margins.right() - 2 * kLineEditTextMargin - kLineEditCursorRoom;
}

bool DrillTextBox::FitsAt(int points, int room) const {
  QFont font = full_font_;
  font.setPointSize(points);
  return qRound(QFontMetricsF(font).horizontalAdvance(text())) <= room;
}

bool DrillTextBox::WholeTextSelected() const {
  return !text().isEmpty() && selectedText() == text();
}

void DrillTextBox::HoldSelection(bool held) {
  if (held == held_) return;
  held_ = held;
  ShowSelectionColours();
}

// While the selection is the drill's own, it is drawn in the box's own text
// and base colours; otherwise every colour is the scheme's.
void DrillTextBox::ShowSelectionColours() {
  QPalette colours;
  if (held_) {
    const QPalette scheme = palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
      colours.setColor(group, QPalette::Highlight, scheme.color(group, QPalette::Base));
      colours.setColor(group, QPalette::HighlightedText, scheme.color(group, QPalette::Text));
    }
  }
  restyling_ = true;
  setPalette(colours);
  restyling_ = false;
}

}  // namespace tavosu
