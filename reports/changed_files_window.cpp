#include "reports/changed_files_window.h"

#include "platform/look.h"

namespace tunewick {

ChangedFilesWindow::ChangedFilesWindow(AppContext& context, QWidget* parent)
    : QWidget(parent), context_(context) {
  // No title of its own: a single space keeps the desktop from showing the program name.
  setWindowTitle(QStringLiteral(" "));
  look::MakeWhite(this);
  resize(592, 246);
  move(432, 219);
}

}  // namespace tunewick
