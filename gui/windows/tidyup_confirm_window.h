#pragma once

#include <QWidget>

#include "app/app_context.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace tunewick {

class LinkLabel;
class PictureButton;

// Asks the user to confirm the automatic tidy-up before anything is renamed, and can
// unfold a short explanation of what the tidy-up does.
class TidyupConfirmWindow : public QWidget {
  Q_OBJECT

 public:
  explicit TidyupConfirmWindow(AppContext& context, QWidget* parent = nullptr);

  // Unfolds or folds the explanation.
  void ToggleInformation();
  bool IsExpanded() const;
  // Runs the tidy-up and shows its results.
  void RunTidyup();
  // Runs the same tidy-up without renaming anything and lists what it would rename.
  void PreviewTidyup();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildQuestion();
  void BuildInformationToggle();
  void BuildInformationPanel();
  int ExpandedHeight() const;

  AppContext& context_;
  int collapsedHeight_ = 0;
  PictureButton* expandIcon_ = nullptr;
  PictureButton* collapseIcon_ = nullptr;
  LinkLabel* toggleLabel_ = nullptr;
  QPushButton* cancel_ = nullptr;
  QPushButton* continue_ = nullptr;
  QWidget* informationPanel_ = nullptr;
  LinkLabel* preview_ = nullptr;
  QLabel* progress_ = nullptr;
};

}  // namespace tunewick
