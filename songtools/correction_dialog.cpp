#include "songtools/correction_dialog.h"

#include <QCloseEvent>

#include "app/main_window.h"
#include "platform/look.h"
#include "platform/window_behaviour.h"

namespace tunewick {

CorrectionDialog::CorrectionDialog(AppContext& context, QWidget* parent)
    : QWidget(parent), context_(context) {
  setWindowTitle(QStringLiteral("Correct song filename"));
  look::MakeWhite(this);
  MakeFixedWindow(this, 582, 230);
  MinimiseApplicationWith(this);
}

void CorrectionDialog::closeEvent(QCloseEvent* event) {
  if (!context_.state.TerminationRequested) {
    context_.state.TerminationRequested = true;
    context_.requestTermination();
  }
  if (context_.windows.mainWindow->isHidden()) context_.windows.mainWindow->show();
  event->accept();
}

}  // namespace tunewick
