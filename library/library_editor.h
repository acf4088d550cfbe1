#pragma once

#include <QWidget>

#include "app/app_context.h"

class QCheckBox;
class QLabel;

namespace tunewick {

// The window in which the user builds the music library.
class LibraryEditor : public QWidget {
  Q_OBJECT

 public:
  explicit LibraryEditor(AppContext& context, QWidget* parent = nullptr);

  void SetHeading(const QString& text);
  QString Heading() const;

  // "Keep my music library (I plan to run this tool again)": read at exit.
  bool KeepLibrary() const;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  AppContext& context_;
  QLabel* heading_;
  QCheckBox* keepLibrary_;
};

}  // namespace tunewick
