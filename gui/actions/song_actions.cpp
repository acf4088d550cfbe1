#include "actions/song_actions.h"

#include "actions/undo_actions.h"
#include "adapters/dialogs.h"
#include "platform/file_system.h"
#include "songtags/tag_rename.h"
#include "songtools/song_deletion.h"
#include "widgets/busy_cursor.h"

namespace tunewick {

void FixSelectedSong(AppContext& context) { context.navigator.OpenCorrectionDialog(); }

void DeleteSelectedSong(AppContext& context) {
  QWidget* main = context.navigator.MainWindow();
  if (!context.dialogs.AskWarningYesCancel(
          main, QStringLiteral("Warning"),
          QStringLiteral("Are you sure you want to delete this file?  Clicking \"Yes\" will "
                         "delete the file with no warning.")))
    return;
  context.navigator.Preview().LetGoOf(context.gui.SelectedSong);
  if (const std::error_code error = DeleteSong(context.fileSystem, context.gui.SelectedSong, 2)) {
    context.dialogs.ShowMessage(main, DeletionRefusal(error));
  } else {
    context.dialogs.ShowMessage(main, QStringLiteral("File deleted successfully"));
  }
  context.navigator.RefreshSongList();  // the songs that are left
}

QString DeletionRefusal(std::error_code error) {
  if (IsInUse(error))
    return QStringLiteral("The song is in use, close the application that's using it, and retry.");
  return QStringLiteral("The song could not be deleted: ") +
         QString::fromLocal8Bit(ErrorText(error).c_str());
}

void PreviewSelectedSong(AppContext& context) {
  context.navigator.Preview().RequestPreview(PreviewAsker::kMainWindow);
}

void FixSongsFromTags(AppContext& context) {
  Navigator& navigator = context.navigator;
  QWidget* main = navigator.MainWindow();
  std::unique_ptr<RecordedRun> run = StartRecordedRun(context, main, RunKind::kTags);
  if (!run) return;
  {
    BusyCursor hourglass(context.gui.SavedCursor);
    RenameFromTags(context.lists, run->fileSystem(), [&navigator] {
      navigator.Rescan();
      navigator.CheckNames();
    });
  }
  FinishRecordedRun(context, main, *run);
}

}  // namespace tunewick
