#pragma once

#include <QWidget>

#include "app/app_context.h"

namespace tunewick {

// Lists every rename of the last tidy-up, grouped by step.
class ChangedFilesWindow : public QWidget {
  Q_OBJECT

 public:
  explicit ChangedFilesWindow(AppContext& context, QWidget* parent = nullptr);

 private:
  AppContext& context_;
};

}  // namespace tunewick
