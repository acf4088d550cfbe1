#include "reports/tidyup_results_window.h"

#include <QCloseEvent>

#include "app/main_window.h"
#include "platform/look.h"

namespace tunewick {

TidyupResultsWindow::TidyupResultsWindow(AppContext& context, QWidget* parent)
    : QWidget(parent), context_(context) {
  setWindowTitle(QStringLiteral("Automatic Tidy-up results"));
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  look::MakeWhite(this);
  resize(340, 190);
}

void TidyupResultsWindow::closeEvent(QCloseEvent* event) {
  // The close box only puts this window away: the program goes on.
  context_.windows.mainWindow->show();
  event->accept();
}

}  // namespace tunewick
