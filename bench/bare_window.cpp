// The yardsticks that the start-up benchmark measures Tavosu against: an
// empty QMainWindow, and (built with BARE_WINDOW_WITH_TEXT) the same window
// with a menu bar and one Japanese label, the least text a Qt window can
// show, which makes Qt load its font database before the window maps.

#include <QApplication>
#include <QMainWindow>

#ifdef BARE_WINDOW_WITH_TEXT
#include <QLabel>
#include <QMenuBar>
#endif

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QMainWindow window;
#ifdef BARE_WINDOW_WITH_TEXT
  window.menuBar()->setNativeMenuBar(false);
  window.menuBar()->addMenu(QStringLiteral("ﾌｧｲﾙ"));
  window.setCentralWidget(new QLabel(QStringLiteral("問題")));
#endif
  window.show();
  return QApplication::exec();
}
