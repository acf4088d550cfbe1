#include "tidyup/tidyup_confirm_window.h"

#include <QCloseEvent>

#include "platform/look.h"
#include "platform/window_behaviour.h"

namespace tunewick {

TidyupConfirmWindow::TidyupConfirmWindow(AppContext& context, QWidget* parent)
    : QWidget(parent), context_(context) {
  setWindowTitle(QStringLiteral("Orvane"));
  look::MakeWhite(this);
  MakeFixedWindow(this, 416, 154);
}

void TidyupConfirmWindow::closeEvent(QCloseEvent* event) {
  // Closing this window always ends the program, whatever else is open.
  context_.state.TerminationRequested = true;
  context_.requestTermination();
  event->accept();
}

}  // namespace tunewick
