#include "actions/song_actions.h"

#include "actions/undo_actions.h"
#include "adapters/dialogs.h"
#include "app/main_window.h"
#include "songtags/tag_rename.h"
#include "songtools/song_deletion.h"
#include "widgets/busy_cursor.h"
#include "windows/correction_dialog.h"
#include "windows/preview_window.h"
#include "windows/song_list_view.h"

namespace tunewick {

void FixSelectedSong(AppContext& context) { context.windows.correctionDialog->Open(); }

void DeleteSelectedSong(AppContext& context) {
  MainWindow* main = context.windows.mainWindow;
  if (!context.dialogs.AskWarningYesCancel(
          main, QStringLiteral("Warning"),
          QStringLiteral("Are you sure you want to delete this file?  Clicking \"Yes\" will "
                         "delete the file with no warning.")))
    return;
  context.windows.previewWindow->LetGoOf(context.gui.SelectedSong);
  if (DeleteSong(context.fileSystem, context.gui.SelectedSong, 2)) {
    context.dialogs.ShowMessage(main, QStringLiteral("File deleted successfully"));
  } else {
    context.dialogs.ShowMessage(
        main,
        QStringLiteral("The song is in use, close the application that's using it, and retry."));
  }
  main->RefreshSongList();  // the songs that are left
}

void PreviewSelectedSong(AppContext& context) {
  context.windows.previewWindow->RequestPreview(PreviewAsker::kMainWindow);
}

void FixSongsFromTags(AppContext& context) {
  MainWindow* main = context.windows.mainWindow;
  std::unique_ptr<RecordedRun> run = StartRecordedRun(context, main, RunKind::kTags);
  if (!run) return;
  {
    BusyCursor hourglass(context.gui.SavedCursor);
    RenameFromTags(context.lists, run->fileSystem(), [main] {
      main->rescan();
      main->ClassifySongs();
    });
  }
  FinishRecordedRun(context, main, *run);
  main->songList()->UpdateHorizontalExtent();
}

}  // namespace tunewick
