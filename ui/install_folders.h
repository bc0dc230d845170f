// The folders of what is installed with the program, found from the
// program's own folder: where it is installed, share/tavosu beside its bin/;
// run from the build tree, the same folders in the build tree.

#ifndef TAVOSU_UI_INSTALL_FOLDERS_H_
#define TAVOSU_UI_INSTALL_FOLDERS_H_

#include <QString>

namespace tavosu {

// The folder of the ready drills, share/tavosu/drills, as a clean absolute
// path without a trailing "/". It may not exist.
QString DrillsFolder();

}  // namespace tavosu

#endif  // TAVOSU_UI_INSTALL_FOLDERS_H_
