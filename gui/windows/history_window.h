#pragma once

#include <QWidget>
#include <optional>
#include <string>

#include "app/app_context.h"
#include "widgets/window_behaviour.h"

class QPushButton;
class QTreeWidget;

namespace tunewick {

class LinkLabel;

// The runs Tunewick kept (tidy-ups, renames from tags, undos), newest first, as
// `tunewick-cli history` lists them: when, what, the folder it was started from, how many
// renames, undone or not. The one the user picks can be previewed and undone, also after
// the program was closed in between. Coming back to the window reads the runs afresh, so
// that runs of tunewick-cli made meanwhile show.
class HistoryWindow : public QWidget {
  Q_OBJECT

 public:
  explicit HistoryWindow(AppContext& context, QWidget* parent = nullptr);

  // Reads the kept runs afresh and shows the window, the newest run selected.
  void Open();
  // The name of the run selected; nothing when none is.
  std::optional<std::string> SelectedRun() const;

  QTreeWidget* runs() const { return runs_; }

 protected:
  void changeEvent(QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void BackToMainWindow();
  // Reads the runs afresh, selecting `keep` when it can still be undone, else the newest run
  // that can.
  void Reload(const std::optional<std::string>& keep = std::nullopt);
  void UpdateActions();
  void UndoSelected();
  void PreviewSelected();

  AppContext& context_;
  QTreeWidget* runs_ = nullptr;
  LinkLabel* preview_ = nullptr;
  QPushButton* undo_ = nullptr;
  ReturnWatch returnWatch_;
};

}  // namespace tunewick
