// Handles the modal dialogs a window test provokes, from inside the dialog's
// own event loop, so that a test never blocks on one and never sleeps.

#ifndef TAVOSU_TESTS_UI_MODAL_CLOSER_H_
#define TAVOSU_TESTS_UI_MODAL_CLOSER_H_

#include <functional>
#include <utility>
#include <vector>

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace tavosu::testing {

// While alive, passes every modal widget that comes up to handle, once
// each, on the first turn of the event loop after it shows. handle must
// close it. Watching costs nothing while no event loop runs.
class ModalWatcher {
 public:
  explicit ModalWatcher(std::function<void(QWidget*)> handle) : handle_(std::move(handle)) {
    QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
    timer_.start(0);
  }

 private:
  void Poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || modal == last_.data()) return;
    last_ = modal;
    handle_(modal);
  }

  std::function<void(QWidget*)> handle_;
  QPointer<QWidget> last_;
  QTimer timer_;
};

// What one modal dialog showed while it was up.
struct SeenDialog {
  bool is_message_box = false;
  bool modal = false;
  QAccessible::Role role = QAccessible::NoRole;
  QString title;
  QString text;
  Qt::TextFormat text_format = Qt::AutoText;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QMessageBox::StandardButtons standard_buttons;
  qsizetype button_count = 0;
  QWidget* parent = nullptr;
  QString note;  // what the test's note function returned meanwhile
};

// Records every modal dialog and closes it: a message box with its OK
// button, anything else by rejecting it. note, when given, is called while
// each dialog is up, to capture the state of the window behind it.
class DialogCloser {
 public:
  explicit DialogCloser(std::function<QString()> note = {})
      : note_(std::move(note)), watcher_([this](QWidget* modal) { Close(modal); }) {}

  std::vector<SeenDialog> seen;

 private:
  void Close(QWidget* modal) {
    SeenDialog dialog;
    dialog.modal = modal->isModal();
    dialog.title = modal->windowTitle();
    dialog.parent = modal->parentWidget();
    if (QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(modal)) {
      dialog.role = accessible->role();
    }
    if (note_) dialog.note = note_();
    auto* box = qobject_cast<QMessageBox*>(modal);
    if (box != nullptr) {
      dialog.is_message_box = true;
      dialog.text = box->text();
      dialog.text_format = box->textFormat();
      dialog.icon = box->icon();
      dialog.standard_buttons = box->standardButtons();
      dialog.button_count = box->buttons().size();
    }
    seen.push_back(dialog);
    QAbstractButton* ok = box != nullptr ? box->button(QMessageBox::Ok) : nullptr;
    if (ok != nullptr) {
      ok->click();
    } else if (auto* other = qobject_cast<QDialog*>(modal)) {
      other->reject();
    } else {
      modal->close();
    }
  }

  std::function<QString()> note_;
  ModalWatcher watcher_;
};

}  // namespace tavosu::testing

#endif  // TAVOSU_TESTS_UI_MODAL_CLOSER_H_
