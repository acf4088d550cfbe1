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

  // Shows the window with the lines now in ChangedFilesList, under the heading of `kind`.
  void ShowList(ChangedFilesKind kind = ChangedFilesKind::kTidyup);
  // Asks where to save the list and writes it there.
  void SaveLog();

  SongListView* list() const { return list_; }
  QString heading() const;

 protected:
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void UpdateExtent();

  AppContext& context_;
  QLabel* heading_ = nullptr;
  SongListView* list_ = nullptr;
  LinkLabel* undo_ = nullptr;
  bool placed_ = false;
  bool extentStale_ = true;
};

}  // namespace tunewick
