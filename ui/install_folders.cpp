#include "ui/install_folders.h"

#include <QCoreApplication>
#include <QDir>

namespace tavosu {

QString DrillsFolder() {
  return QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/") +
                         QStringLiteral(TAVOSU_DRILLS_FROM_BINDIR));
}

}  // namespace tavosu
