// Form1, the program's only window.
//
// It lays out the question and answer boxes and the four drill buttons on a
// fixed 531 x 323 client area under a menu bar, forwards every click to the
// Drill and carries out the window operations the Drill calls back. The
// window itself holds no rule of the drill; it owns the Drill and with it the
// question set. The program ends when the window closes.

#ifndef TAVOSU_UI_FORM1_H_
#define TAVOSU_UI_FORM1_H_

#include <memory>

#include <QMainWindow>
#include <QString>

#include "core/clock.h"
#include "core/drill.h"
#include "core/file_system.h"
#include "core/random_source.h"
#include "ui/desktop.h"
#include "ui/qt_window_ops.h"

namespace tavosu {

class Form1 : public QMainWindow {
  Q_OBJECT

 public:
  // The desktop, clock, random source and file system must outlive the
  // window. The drill buttons are disabled before the constructor returns.
  Form1(Desktop& desktop, Clock& clock, RandomSource& random, FileSystem& files,
        QWidget* parent = nullptr);
  ~Form1() override;

 private:
  void menuFileOpenClick();
  void menuFileEndClick();
  void menuHelpHowtoClick();
  void AnswerButtonClick();

  // The keyboard focus never goes onto ○, × or 採点 by the program's doing,
  // so that no key press grades or scores unless the user chose that
  // button himself. After a reveal it goes to the answer box, so that the
  // answer is read; after a grade or an Open that shows a question, to
  // 答えは, whose description holds the question; when the drill is over,
  // to the question box; otherwise back where it was.
  void FocusAfterGrade();

  // Gives control the keyboard focus as Tab does, so that a line edit
  // selects its text and a screen reader reads it whole.
  void FocusOn(QWidget* control);

  Desktop& desktop_;
  DrillControls controls_{};
  std::unique_ptr<QtWindowOps> window_ops_;
  std::unique_ptr<Drill> drill_;
};

}  // namespace tavosu

#endif  // TAVOSU_UI_FORM1_H_
