#include "songtools/preview_window.h"

#include <QCloseEvent>

#include "platform/look.h"
#include "platform/window_behaviour.h"

namespace tunewick {

PreviewWindow::PreviewWindow(AppContext& context, QWidget* parent)
    : QWidget(parent), context_(context) {
  setWindowTitle(QStringLiteral("Preview song"));
  look::MakeWhite(this);
  MakeFixedWindow(this, 400, 120);
  MinimiseApplicationWith(this);
}

void PreviewWindow::closeEvent(QCloseEvent* event) {
  if (!context_.state.TerminationRequested) {
    context_.state.TerminationRequested = true;
    context_.requestTermination();
  }
  event->accept();
}

}  // namespace tunewick
