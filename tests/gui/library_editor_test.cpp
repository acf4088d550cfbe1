// What only the library editor's window does: the looks of its links under the pointer,
// the keyboard, when it starts over from the library file, and where Continue, the back
// arrow and the close box lead. The add, edit, remove and save rules themselves are tested
// on LibraryEditorModel.

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTreeView>

#include "adapters/folder_picker.h"
#include "gui_support/app_fixture.h"
#include "widgets/picture_button.h"
#include "widgets/shown_text.h"

namespace tunewick::testing {
namespace {

using Folders = std::vector<std::string>;
using Look = LinkLabel::Look;

class LibraryEditorTest : public AppFixture {
 protected:
  void OpenFromMainMenu() {
    Click(main(), "View folders in your Music Library");
    ProcessEvents();
  }
  void Type(const std::string& text, bool enter = false) {
    editor()->textBox()->clear();
    QTest::keyClicks(editor()->textBox(), QString::fromStdString(text));
    if (enter) QTest::keyClick(editor()->textBox(), Qt::Key_Return);
  }
  void ClickFolder(int row) {
    QListWidget* list = editor()->folderList();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(row)).center());
  }
};

// On a first start the editor works from the keyboard, and goes on to the main menu once it
// has a folder to save. Closed while the program already ends, it ends the program when the
// library is empty, and otherwise goes back to the main window, saving nothing.
TEST_F(LibraryEditorTest, FirstStartWorksFromTheKeyboardAndTheCloseBoxEndsOrGoesBack) {
  const std::string music = folder.MakeFolder("music");
  StartApp();
  LibraryEditor* window = editor();
  EXPECT_EQ(window->Heading(), "Welcome to Tunewick!  Add folders to your Music library to begin");
  EXPECT_EQ(OnScreen(), "editor");

  // Space on "Browse for folder" asks for a folder from "/"; Enter on "Continue" presses it.
  dialogs.QueuePick(music);
  window->browseLink()->setFocus();
  QTest::keyClick(window->browseLink(), Qt::Key_Space);
  ASSERT_EQ(dialogs.shown().size(), 1u);
  EXPECT_EQ(dialogs.shown()[0].title, "Please select the folder holding your music");
  EXPECT_EQ(dialogs.shown()[0].folder, "/");
  EXPECT_EQ(window->textBox()->text(), QString::fromStdString(music));
  window->textBox()->clear();
  // Enter presses Continue, the default button, from a control that has no use for it;
  // with nothing to save the editor stays up.
  window->keepLibraryBox()->setFocus();
  Press(window, Qt::Key_Return);
  EXPECT_EQ(dialogs.Messages(),
            Messages{"Add folders to your library, then click this button again to continue."});
  EXPECT_EQ(OnScreen(), "editor");

  Type(music, true);
  Click(window->continueButton());
  EXPECT_EQ(ReadFile(LibraryFile()), music + "\r\n");
  EXPECT_EQ(OnScreen(), "main");
  EXPECT_FALSE(std::filesystem::exists(SettingsFile()));  // nothing chosen: nothing written

  // A folder removed from the keyboard leaves the focus where the next one can be picked,
  // else where one can be typed.
  OpenFromMainMenu();
  Type(folder.MakeFolder("second"), true);
  for (QWidget* focusAfter :
       std::initializer_list<QWidget*>{window->folderList(), window->textBox()}) {
    ClickFolder(0);
    window->removeLink()->setFocus();
    QTest::keyClick(window->removeLink(), Qt::Key_Space);
    EXPECT_EQ(window->focusWidget(), focusAfter);
  }
  EXPECT_EQ(window->folderList()->count(), 0);
  app->gui().TerminationRequested = true;
  window->close();
  EXPECT_EQ(dialogs.Messages().back(),
            "Because you have not entered any folders into your music library, this "
            "application cannot continue, and will close.");
  EXPECT_EQ(terminationRequests, 1);
  window->show();
  ProcessEvents();
  Type(folder.MakeFolder("other"), true);
  window->close();
  EXPECT_EQ(terminationRequests, 1);
  EXPECT_EQ(OnScreen(), "main");
  EXPECT_EQ(ReadFile(LibraryFile()), music + "\r\n");
}

// What is added or chosen lasts until the editor is left, whatever comes between: the back
// arrow drops it, Continue saves it and goes back where the editor was opened from, the song
// list refreshed, with the added song types once they are chosen.
TEST_F(LibraryEditorTest, AddedFoldersLastUntilTheEditorIsLeftAndContinueRefreshesTheSongList) {
  const std::string a = folder.MakeFolder("a");
  const std::string second = folder.MakeFile("a/second song.mp3");
  const std::string first = folder.MakeFile("c/first song.mp3");
  const std::string third = folder.MakeFile("c/third song.Opus");
  const std::string b = folder.MakeFolder("b");
  const std::string c = folder.MakeFolder("c");
  const std::string odd = folder.MakeFolder("caf\xe9 \xff");  // not UTF-8
  WriteLibrary({c, odd});
  StartApp();
  OpenFromMainMenu();
  LibraryEditor* window = editor();
  ClickFolder(1);
  Click(window->editLink());  // back in the box, byte for byte
  EXPECT_EQ(window->TypedFolder(), odd);
  Type(c, true);  // listed already: selected to show where
  EXPECT_TRUE(window->folderList()->item(0)->isSelected());
  Type(a, true);
  Type(folder / "missing");
  Click(window->addLink());
  EXPECT_EQ(window->focusWidget(), window->textBox());
  EXPECT_EQ(dialogs.Messages().size(), 2u);  // their texts are the model's
  Click(window->browseLink());               // the picker is cancelled
  dialogs.QueuePick(b);
  Click(window->browseLink());
  Click(window->addLink());
  Click(window->allTypesBox());
  QEvent activation(QEvent::WindowActivate);
  QApplication::sendEvent(window, &activation);
  window->showMinimized();
  ProcessEvents();
  window->showNormal();
  window->activateWindow();
  ProcessEvents();
  EXPECT_EQ(window->Folders(), (Folders{a, b, c}));
  EXPECT_EQ(window->folderList()->count(), 3);

  // Escape leaves as the back arrow does, without saving; the next opening starts over
  // from the file.
  Press(window, Qt::Key_Escape);
  EXPECT_EQ(OnScreen(), "main");
  EXPECT_EQ(ReadFile(LibraryFile()), c + "\r\n" + odd + "\r\n");
  OpenFromMainMenu();
  EXPECT_EQ(window->Folders(), (Folders{c, odd}));
  EXPECT_FALSE(window->allTypesBox()->isChecked());
  Click(window->backArrow());
  main()->OpenSongList();
  ASSERT_EQ(app->lists().IncorrectSongs, Songs{first});
  Click(main(), "View folders in your Music library");
  EXPECT_EQ(app->gui().ReturnTarget, AfterLibraryEditor::kSongList);
  Type(a, true);
  Click(window->allTypesBox());
  Click(window->continueButton());
  EXPECT_TRUE(main()->IsShowingSongList());
  EXPECT_EQ(app->lists().IncorrectSongs, (Songs{second, first, third}));
  EXPECT_EQ(ReadFile(SettingsFile()), "all-song-types=yes\r\n");
}

// The folder picker lists every folder by its bytes, a name that is not UTF-8 too, and
// gives back exactly the bytes of the one chosen; nothing before one is selected.
TEST(FolderPickerTest, ListsEveryFolderAndGivesBackItsBytes) {
  TempFolder folder;
  const std::string latin1 = folder.MakeFolder("caf\xe9/sub \xc3\xa9");
  folder.MakeFile("caf\xe9/a song.mp3");
  FolderPicker picker(RealFileSystem(), "Pick", "/");
  EXPECT_EQ(picker.Selected(), "/");
  picker.tree()->clearSelection();
  EXPECT_EQ(picker.Selected(), std::nullopt);
  ASSERT_TRUE(picker.Reveal(latin1));
  EXPECT_EQ(picker.Selected(), latin1);
  const QModelIndex shown = picker.tree()->currentIndex();
  EXPECT_EQ(shown.data().toString(), QString::fromUtf16(u"sub \u00E9"));
  EXPECT_EQ(shown.parent().data().toString(), ShownText("caf\xe9"));
  picker.tree()->expand(shown.parent());
  EXPECT_EQ(picker.tree()->model()->rowCount(shown.parent()), 1);  // folders only
  EXPECT_FALSE(picker.Reveal(folder / "gone"));
}

}  // namespace
}  // namespace tunewick::testing
