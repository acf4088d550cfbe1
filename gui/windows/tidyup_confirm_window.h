#pragma once

#include <QWidget>
#include <functional>

#include "app/app_context.h"
#include "tidyup/tidy_up.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace tunewick {

class LinkLabel;
class LongOperation;
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
  // Runs the tidy-up and shows its results. Cancel stops it after the rename in hand.
  void RunTidyup();
  // Runs the same tidy-up without renaming anything and lists what it would rename.
  void PreviewTidyup();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  // Leaves the window, or stops the run going on.
  void Cancel();
  // Runs `steps` with the window's controls set for a run that Cancel can stop.
  TidyupEnd RunStoppable(const std::function<TidyupEnd(LongOperation&, const bool&)>& steps);
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
  bool running_ = false;
  bool stopRequested_ = false;
};

}  // namespace tunewick
