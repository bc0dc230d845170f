// Starts Tavosu: one window, closed to end the program.

#include <cstdint>
#include <random>

#include <QApplication>

#include "core/clock.h"
#include "core/file_system.h"
#include "core/random_source.h"
#include "ui/form1.h"
#include "ui/qt_desktop.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tavosu"));
  tavosu::SpeakJapanese(app);

  std::random_device entropy;
  tavosu::MixingRandomSource random((std::uint64_t{entropy()} << 32) | entropy());
  tavosu::QtDesktop desktop;
  tavosu::Form1 window(desktop, *tavosu::SystemClock(), random, *tavosu::DefaultFileSystem());
  window.show();
  return QApplication::exec();
}
