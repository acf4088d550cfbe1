#pragma once

#include <QWidget>

#include "app/app_context.h"

namespace tunewick {

// The dialog in which the user renames one song by typing its artist and title.
class CorrectionDialog : public QWidget {
  Q_OBJECT

 public:
  explicit CorrectionDialog(AppContext& context, QWidget* parent = nullptr);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  AppContext& context_;
};

}  // namespace tunewick
