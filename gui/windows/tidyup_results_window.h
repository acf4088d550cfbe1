#pragma once

#include <QWidget>
#include <array>

#include "app/app_context.h"
#include "widgets/window_behaviour.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace tunewick {

class LinkLabel;

// Shows how many renames each step of the automatic tidy-up made; when nothing was
// renamed, says so and offers the songs that are still named incorrectly.
class TidyupResultsWindow : public QWidget {
  Q_OBJECT

 public:
  explicit TidyupResultsWindow(AppContext& context, QWidget* parent = nullptr);

  // Brings the window up to date with the logs (and, when nothing was renamed, with a
  // fresh scan). Runs each time the window is shown or becomes active.
  void Refresh();
  // Builds the list of renames and shows it (at the refused renames when asked), or says
  // that nothing was fixed.
  void ShowChangedFiles(bool atRefusals = false);

  bool IsShowingResults() const;
  bool IsShowingCleanPanel() const;
  QString Counter(int row) const;
  QPushButton* cleanCloseButton() const { return cleanClose_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildResultsPanel();
  void BuildCleanPanel();
  void PlaceResultsFooter(int notes);
  void ShowExplanation();
  void BackToMainWindow();

  AppContext& context_;
  ReturnWatch returnWatch_;
  QWidget* resultsPanel_ = nullptr;
  LinkLabel* undo_ = nullptr;
  QLabel* undone_ = nullptr;
  QLabel* stopped_ = nullptr;
  LinkLabel* refusals_ = nullptr;
  LinkLabel* viewList_ = nullptr;
  QPushButton* resultsClose_ = nullptr;
  std::array<QLabel*, 5> counters_{};
  QSize resultsSize_{340, 190};  // wider where the captions need it
  QWidget* cleanPanel_ = nullptr;
  LinkLabel* fixRemaining_ = nullptr;
  LinkLabel* why_ = nullptr;
  QPushButton* cleanClose_ = nullptr;
  QPlainTextEdit* explanation_ = nullptr;
};

}  // namespace tunewick
