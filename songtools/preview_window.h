#pragma once

#include <QWidget>

#include "app/app_context.h"

namespace tunewick {

// The window that plays a song so the user can hear what it is.
class PreviewWindow : public QWidget {
  Q_OBJECT

 public:
  explicit PreviewWindow(AppContext& context, QWidget* parent = nullptr);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  AppContext& context_;
};

}  // namespace tunewick
