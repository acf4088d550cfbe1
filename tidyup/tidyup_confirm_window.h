#pragma once

#include <QWidget>

#include "app/app_context.h"

namespace tunewick {

// Asks the user to confirm the automatic tidy-up before anything is renamed.
class TidyupConfirmWindow : public QWidget {
  Q_OBJECT

 public:
  explicit TidyupConfirmWindow(AppContext& context, QWidget* parent = nullptr);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  AppContext& context_;
};

}  // namespace tunewick
