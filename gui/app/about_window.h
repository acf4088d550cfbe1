#pragma once

#include <QWidget>

#include "app/app_context.h"

namespace tunewick {

// The product name and its credits.
class AboutWindow : public QWidget {
  Q_OBJECT

 public:
  explicit AboutWindow(AppContext& context, QWidget* parent = nullptr);
};

}  // namespace tunewick
