#pragma once

#include <QWidget>

class QLabel;

#include "app/app_context.h"

namespace tunewick {

class LinkLabel;
class SongListView;

// Lists every rename of the last tidy-up, grouped by step, and saves the list as text.
class ChangedFilesWindow : public QWidget {
  Q_OBJECT

 public:
  explicit ChangedFilesWindow(AppContext& context, QWidget* parent = nullptr);
  ~ChangedFilesWindow() override;

  // Shows the window with `lines` under the heading of `kind`, `firstRow` at the top.
  void ShowList(ChangedFilesKind kind, TextList lines, std::size_t firstRow = 0);
  // Asks where to save the list and writes it there; a preview's log says at its top
  // that nothing was renamed.
  void SaveLog();

  SongListView* list() const { return list_; }
  QString heading() const;

 protected:
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void UpdateExtent();

  AppContext& context_;
  ChangedFilesKind kind_ = ChangedFilesKind::kTidyup;
  TextList lines_;
  QLabel* heading_ = nullptr;
  SongListView* list_ = nullptr;
  LinkLabel* undo_ = nullptr;
  bool placed_ = false;
  bool extentStale_ = true;
};

}  // namespace tunewick
