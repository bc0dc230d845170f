#include "ui/drill_widgets.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QPainter>

namespace tavosu {
namespace {

constexpr int kFocusFrameWidth = 2;

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

void DrillTextBox::focusInEvent(QFocusEvent* event) {
  QLineEdit::focusInEvent(event);
  keep_text_ = !text().isEmpty() && selectedText() == text();
  // The selection keeps the start of a text too long for the box in view,
  // as the box shows it without the focus.
  const auto length = static_cast<int>(text().size());
  if (keep_text_) setSelection(length, -length);
}

void DrillTextBox::mousePressEvent(QMouseEvent* event) {
  keep_text_ = false;
  QLineEdit::mousePressEvent(event);
}

// Keys that leave the whole text selected, as Return does, keep it so; the
// user's own select-all does not.
void DrillTextBox::keyPressEvent(QKeyEvent* event) {
  if (keep_text_ && !event->text().isEmpty() && event->text().front().isPrint()) end(false);
  QLineEdit::keyPressEvent(event);
  keep_text_ = keep_text_ && selectedText() == text() && !event->matches(QKeySequence::SelectAll);
}

void DrillTextBox::inputMethodEvent(QInputMethodEvent* event) {
  if (keep_text_ && (!event->commitString().isEmpty() || !event->preeditString().isEmpty())) {
    end(false);
    keep_text_ = false;
  }
  QLineEdit::inputMethodEvent(event);
}

}  // namespace tavosu
