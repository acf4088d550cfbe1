#pragma once

#include <QWidget>

#include "app/app_context.h"

namespace tunewick {

// Shows what each step of the automatic tidy-up renamed.
class TidyupResultsWindow : public QWidget {
  Q_OBJECT

 public:
  explicit TidyupResultsWindow(AppContext& context, QWidget* parent = nullptr);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  AppContext& context_;
};

}  // namespace tunewick
