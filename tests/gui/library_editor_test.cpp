#include "library/library_editor.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include "app/main_window.h"
#include "platform/link_label.h"
#include "platform/look.h"
#include "platform/picture_button.h"
#include "support/app_fixture.h"

namespace tunewick {
namespace {

using testing::ReadFile;
using Folders = std::vector<std::string>;
using Messages = std::vector<QString>;

const QString kNothingAddedYet =
    QStringLiteral("Add folders to your library, then click this button again to continue.");

class LibraryEditorTest : public testing::AppFixture {
 protected:
  LibraryEditor* editor() const { return app->windows().libraryEditor; }
  MainWindow* mainWindow() const { return app->windows().mainWindow; }

  static LinkLabel* FindLink(QWidget* window, const QString& text) {
    for (LinkLabel* link : window->findChildren<LinkLabel*>())
      if (link->text() == text) return link;
    ADD_FAILURE() << "no link " << text.toStdString();
    return nullptr;
  }

  void OpenFromMainMenu() {
    QTest::mouseClick(FindLink(mainWindow(), QStringLiteral("View folders in your Music Library")),
                      Qt::LeftButton);
    ProcessEvents();
  }

  void Type(const std::string& text) {
    editor()->textBox()->clear();
    QTest::keyClicks(editor()->textBox(), QString::fromStdString(text));
  }
  void TypeAndEnter(const std::string& text) {
    Type(text);
    QTest::keyClick(editor()->textBox(), Qt::Key_Return);
  }
  void Click(QWidget* widget) { QTest::mouseClick(widget, Qt::LeftButton); }
  void ClickFolder(int row) {
    QListWidget* list = editor()->folderList();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(row)).center());
  }
  void PointAt(QWidget* widget) {
    QTest::mouseMove(widget);
    ProcessEvents(5);
  }
  // An empty corner of the editor, away from every link.
  void PointAway() {
    QTest::mouseMove(editor(), QPoint(4, editor()->height() - 4));
    ProcessEvents(5);
  }
};

// The look of a link: its state, and the colour and underline that the user sees.
void ExpectLook(const LinkLabel* link, LinkLabel::Look look, const char* where) {
  SCOPED_TRACE(where);
  EXPECT_EQ(link->look(), look);
  switch (look) {
    case LinkLabel::Look::kNormal:
      EXPECT_EQ(look::TextColor(link), QColor(0x151C55));
      break;
    case LinkLabel::Look::kHover:
      EXPECT_EQ(look::TextColor(link), QColor(0x074AE5));
      break;
    case LinkLabel::Look::kGrey:
      EXPECT_EQ(look::TextColor(link), QColor(0x7E859C));
      break;
  }
  EXPECT_EQ(link->font().underline(), look == LinkLabel::Look::kHover);
}

TEST_F(LibraryEditorTest, FirstStartAddsAFolderAndContinuesToTheMainMenu) {
  const std::string music = folder.MakeFolder("music");
  StartApp();
  ASSERT_TRUE(editor()->isVisible());

  Click(editor()->continueButton());
  EXPECT_EQ(dialogs.Messages(), Messages{kNothingAddedYet});
  EXPECT_TRUE(editor()->isVisible());
  EXPECT_FALSE(mainWindow()->isVisible());
  EXPECT_FALSE(RealFileSystem().Exists(LibraryFile()));

  TypeAndEnter(music);
  EXPECT_EQ(editor()->Folders(), Folders{music});
  EXPECT_EQ(editor()->folderList()->item(0)->text(), QString::fromStdString(music));
  EXPECT_EQ(editor()->textBox()->text(), "");

  Click(editor()->continueButton());
  EXPECT_EQ(ReadFile(LibraryFile()), music + "\r\n");
  EXPECT_TRUE(mainWindow()->isVisible());
  EXPECT_FALSE(mainWindow()->IsShowingSongList());
  EXPECT_FALSE(editor()->isVisible());
  EXPECT_EQ(app->state().ReturnTarget, "mainmenu");
  EXPECT_EQ(dialogs.Messages().size(), 1u);
}

TEST_F(LibraryEditorTest, WindowShowsItsTextsHintsAndLooks) {
  WriteLibrary({folder.path()});
  StartApp();
  OpenFromMainMenu();
  LibraryEditor* window = editor();
  ASSERT_TRUE(window->isVisible());

  EXPECT_EQ(window->windowTitle(), "Your Music Library");
  EXPECT_EQ(window->minimumSize(), window->maximumSize());
  EXPECT_FALSE(window->windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_EQ(window->font().pixelSize(), 12);
  const QPoint screenCentre = window->screen()->availableGeometry().center();
  EXPECT_LE((window->frameGeometry().center() - screenCentre).manhattanLength(), 2);
  EXPECT_EQ(window->Heading(), "Welcome to your music library ");

  EXPECT_EQ(window->browseLink()->text(), "Browse for folder");
  EXPECT_EQ(window->browseLink()->toolTip(),
            "Browse for a folder, and once found enter its path into the box above");
  EXPECT_EQ(window->addLink()->text(), "Add this folder to your library");
  EXPECT_EQ(window->addLink()->toolTip(),
            "Add the folder path in the box above into your music library");
  EXPECT_EQ(window->editLink()->text(), "Edit the path to this folder");
  EXPECT_EQ(window->editLink()->toolTip(),
            "Put the selected folder back into the editing box to change it.");
  EXPECT_EQ(window->removeLink()->text(), "Remove this folder from your library");
  EXPECT_EQ(window->removeLink()->toolTip(), "Remove the selected folder from your music library");
  EXPECT_EQ(window->folderList()->toolTip(), "These are the folders in your music library.");
  EXPECT_EQ(window->keepLibraryBox()->text(),
            "Keep my music library (I plan to run this tool again)");
  EXPECT_EQ(window->keepLibraryBox()->toolTip(),
            "Tick this box if you don't want to remove the file containing your music library "
            "when this application closes.");
  EXPECT_TRUE(window->KeepLibrary());
  EXPECT_EQ(window->continueButton()->text(), "Continue");
  EXPECT_EQ(window->continueButton()->toolTip(),
            "Save changes made and go back to where you were last.");

  ExpectLook(window->browseLink(), LinkLabel::Look::kNormal, "browse");
  ExpectLook(window->addLink(), LinkLabel::Look::kGrey, "add");
  ExpectLook(window->editLink(), LinkLabel::Look::kGrey, "edit");
  ExpectLook(window->removeLink(), LinkLabel::Look::kGrey, "remove");

  // Every control is named for assistive tools as it reads on screen.
  for (QWidget* control :
       {static_cast<QWidget*>(window->browseLink()), static_cast<QWidget*>(window->addLink()),
        static_cast<QWidget*>(window->editLink()), static_cast<QWidget*>(window->removeLink())})
    EXPECT_EQ(control->accessibleName(), static_cast<LinkLabel*>(control)->text());
  EXPECT_EQ(window->keepLibraryBox()->accessibleName(), window->keepLibraryBox()->text());
  EXPECT_EQ(window->continueButton()->accessibleName(), "Continue");
  EXPECT_EQ(window->textBox()->accessibleName(),
            "Enter the location of a folder to add it to your music library:");
  EXPECT_EQ(window->folderList()->accessibleName(), "Folders already in your music library");
  EXPECT_EQ(window->backArrow()->accessibleName(), "Go Back");

  // The box around the editing part is framed in the heading colour.
  const QImage picture = window->grab().toImage();
  const QPoint boxLeftEdge =
      window->textBox()->parentWidget()->geometry().topLeft() + QPoint(0, 20);
  EXPECT_EQ(QColor(picture.pixel(boxLeftEdge * picture.devicePixelRatio())), QColor(0x3933AA));
}

TEST_F(LibraryEditorTest, EveryControlIsReachedWithTabAndLinksWorkFromTheKeyboard) {
  const std::string music = folder.MakeFolder("music");
  StartApp();
  LibraryEditor* window = editor();
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window));
  window->textBox()->setFocus();

  const std::vector<QWidget*> expected{
      window->browseLink(),     window->addLink(),    window->folderList(),
      window->editLink(),       window->removeLink(), window->keepLibraryBox(),
      window->continueButton(), window->backArrow(),  window->textBox()};
  std::vector<QWidget*> reached;
  for (std::size_t i = 0; i < expected.size(); ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    reached.push_back(QApplication::focusWidget());
  }
  EXPECT_EQ(reached, expected);

  // Space on "Browse for folder" asks for a folder; Enter on the add link adds it.
  dialogs.QueuePick(music);
  window->browseLink()->setFocus();
  QTest::keyClick(window->browseLink(), Qt::Key_Space);
  ASSERT_EQ(dialogs.shown().size(), 1u);
  EXPECT_EQ(dialogs.shown()[0].kind, testing::ScriptedDialogs::Kind::kPickFolder);
  EXPECT_EQ(dialogs.shown()[0].title, "Please select the folder holding your music");
  EXPECT_EQ(dialogs.shown()[0].folder, "/");
  EXPECT_EQ(window->textBox()->text(), QString::fromStdString(music));
  window->addLink()->setFocus();
  QTest::keyClick(window->addLink(), Qt::Key_Return);
  EXPECT_EQ(window->Folders(), Folders{music});

  // Space selects the folder under the focus, and the selection links then have a target.
  window->folderList()->setFocus();
  QTest::keyClick(window->folderList(), Qt::Key_Space);
  ExpectLook(window->removeLink(), LinkLabel::Look::kNormal, "remove with a selection");
  window->removeLink()->setFocus();
  QTest::keyClick(window->removeLink(), Qt::Key_Space);
  EXPECT_TRUE(window->Folders().empty());

  // Enter on "Continue" presses it.
  window->continueButton()->setFocus();
  QTest::keyClick(window->continueButton(), Qt::Key_Return);
  EXPECT_EQ(dialogs.Messages(), Messages{kNothingAddedYet});
}

TEST_F(LibraryEditorTest, TypedFoldersFollowTheAddRules) {
  const std::string music = folder.MakeFolder("music");
  const std::string missing = folder / "missing";
  WriteLibrary({music});
  StartApp();
  OpenFromMainMenu();
  LibraryEditor* window = editor();
  ASSERT_EQ(window->Folders(), Folders{music});

  // Enter in an empty box does nothing at all.
  QTest::keyClick(window->textBox(), Qt::Key_Return);
  EXPECT_TRUE(dialogs.shown().empty());

  // A missing folder: Enter empties the box, the link keeps the text for mending.
  TypeAndEnter(missing);
  EXPECT_EQ(window->textBox()->text(), "");
  Type(missing);
  Click(window->addLink());
  EXPECT_EQ(window->textBox()->text(), QString::fromStdString(missing));
  EXPECT_EQ(window->focusWidget(), window->textBox());
  EXPECT_EQ(dialogs.Messages(),
            (Messages{"That folder doesn't exist, try entering it in again.",
                      "That folder doesn't exist, try clicking \"Browse for folder\" instead of "
                      "typing it."}));
  EXPECT_EQ(window->Folders(), Folders{music});
  dialogs.Clear();

  // The exact text of a listed folder selects it instead.
  TypeAndEnter(music);
  EXPECT_EQ(dialogs.Messages(),
            Messages{"This folder is already in your music library, It's been selected to show "
                     "you where."});
  EXPECT_EQ(window->folderList()->currentRow(), 0);
  EXPECT_TRUE(window->folderList()->item(0)->isSelected());
  ExpectLook(window->editLink(), LinkLabel::Look::kNormal, "edit after the duplicate");
  EXPECT_EQ(window->Folders(), Folders{music});
}

TEST_F(LibraryEditorTest, MessagesAndThePickerNeverDropUnsavedFolders) {
  const std::string a = folder.MakeFolder("a");
  const std::string b = folder.MakeFolder("b");
  const std::string c = folder.MakeFolder("c");
  WriteLibrary({c});
  StartApp();
  OpenFromMainMenu();
  LibraryEditor* window = editor();

  TypeAndEnter(a);
  TypeAndEnter(folder / "missing");  // a message box comes and goes
  Click(window->browseLink());       // the picker is cancelled
  dialogs.QueuePick(b);
  Click(window->browseLink());
  Click(window->addLink());
  EXPECT_EQ(window->Folders(), (Folders{a, b, c}));

  QEvent activation(QEvent::WindowActivate);
  QApplication::sendEvent(window, &activation);
  window->showMinimized();
  ProcessEvents();
  window->showNormal();
  window->activateWindow();
  ProcessEvents();
  EXPECT_EQ(window->Folders(), (Folders{a, b, c}));
  EXPECT_EQ(window->folderList()->count(), 3);
}

TEST_F(LibraryEditorTest, EachOpeningStartsOverFromTheLibraryFile) {
  const std::string a = folder.MakeFolder("a");
  const std::string b = folder.MakeFolder("b");
  WriteLibrary({folder / "vanished", a});
  ::chmod(LibraryFile().c_str(), 0444);  // made read-only from outside
  StartApp();
  OpenFromMainMenu();
  EXPECT_EQ(editor()->Folders(), Folders{a});
  EXPECT_EQ(ReadFile(LibraryFile()), folder / "vanished" + "\r\n" + a + "\r\n");

  // The back arrow leaves without saving; the next opening forgets the unsaved folder.
  TypeAndEnter(b);
  Click(editor()->backArrow());
  EXPECT_TRUE(mainWindow()->isVisible());
  EXPECT_FALSE(editor()->isVisible());
  EXPECT_EQ(ReadFile(LibraryFile()), folder / "vanished" + "\r\n" + a + "\r\n");
  OpenFromMainMenu();
  EXPECT_EQ(editor()->Folders(), Folders{a});

  // Continue replaces the read-only file, without the vanished folder.
  Click(editor()->continueButton());
  EXPECT_EQ(ReadFile(LibraryFile()), a + "\r\n");
  EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(LibraryEditorTest, FailedSaveKeepsTheOldFileAndTheEditorOpen) {
  // A library file name so long that no new file can be made beside it, even by root.
  libraryFileName = std::string(250, 'l');
  const std::string a = folder.MakeFolder("a");
  const std::string b = folder.MakeFolder("b");
  WriteLibrary({a});
  StartApp();
  OpenFromMainMenu();
  TypeAndEnter(b);

  Click(editor()->continueButton());
  EXPECT_EQ(dialogs.Messages(),
            Messages{"Your music library could not be saved: File name too long"});
  EXPECT_EQ(ReadFile(LibraryFile()), a + "\r\n");
  EXPECT_TRUE(editor()->isVisible());
  EXPECT_FALSE(mainWindow()->isVisible());
  EXPECT_EQ(editor()->Folders(), (Folders{a, b}));
}

TEST_F(LibraryEditorTest, UnreadableLibraryFileIsReportedAndTheEditorStillOpens) {
  if (::geteuid() == 0) GTEST_SKIP() << "root reads files whatever their permissions";
  WriteLibrary({folder.MakeFolder("a")});
  StartApp();
  ::chmod(LibraryFile().c_str(), 0);
  OpenFromMainMenu();
  ASSERT_EQ(dialogs.Messages().size(), 1u);
  EXPECT_TRUE(dialogs.Messages()[0].contains("Permission denied"));
  EXPECT_TRUE(editor()->isVisible());
  EXPECT_TRUE(editor()->Folders().empty());
}

TEST_F(LibraryEditorTest, ContinueFromTheSongListReturnsToAFreshSongList) {
  const std::string a = folder.MakeFolder("a");
  const std::string first = folder.MakeFile("a/first song.mp3");
  const std::string b = folder.MakeFolder("b");
  const std::string second = folder.MakeFile("b/second song.mp3");
  WriteLibrary({a});
  StartApp();
  mainWindow()->OpenSongList();
  ASSERT_EQ(app->state().IncorrectSongs, std::vector<SongPath>{first});
  Click(FindLink(mainWindow(), QStringLiteral("View folders in your Music library")));
  ProcessEvents();
  ASSERT_TRUE(editor()->isVisible());
  EXPECT_EQ(app->state().ReturnTarget, "renamefiles");

  TypeAndEnter(b);
  Click(editor()->continueButton());
  EXPECT_TRUE(mainWindow()->isVisible());
  EXPECT_TRUE(mainWindow()->IsShowingSongList());
  EXPECT_EQ(app->state().IncorrectSongs, (std::vector<SongPath>{first, second}));
  EXPECT_EQ(app->state().ReturnTarget, "renamefiles");
}

TEST_F(LibraryEditorTest, LinksChangeTheirLookAsTheEventsSay) {
  const std::string a = folder.MakeFolder("a");
  const std::string b = folder.MakeFolder("b");
  WriteLibrary({a, b});
  StartApp();
  OpenFromMainMenu();
  LibraryEditor* window = editor();

  PointAt(window->browseLink());
  ExpectLook(window->browseLink(), LinkLabel::Look::kHover, "over browse");
  PointAway();
  ExpectLook(window->browseLink(), LinkLabel::Look::kNormal, "off browse");

  // "Add this folder to your library" follows the box.
  PointAt(window->addLink());
  ExpectLook(window->addLink(), LinkLabel::Look::kGrey, "over add, empty box");
  PointAway();
  Type("/x");
  ExpectLook(window->addLink(), LinkLabel::Look::kNormal, "add with text");
  PointAt(window->addLink());
  ExpectLook(window->addLink(), LinkLabel::Look::kHover, "over add with text");
  PointAway();
  ExpectLook(window->addLink(), LinkLabel::Look::kNormal, "off add with text");
  QTest::keyClick(window->textBox(), Qt::Key_Backspace);
  QTest::keyClick(window->textBox(), Qt::Key_Backspace);
  ExpectLook(window->addLink(), LinkLabel::Look::kGrey, "add after emptying the box");

  // Edit and remove follow the selection.
  PointAt(window->editLink());
  ExpectLook(window->editLink(), LinkLabel::Look::kGrey, "over edit, none selected");
  PointAt(window->removeLink());
  ExpectLook(window->removeLink(), LinkLabel::Look::kGrey, "over remove, none selected");
  PointAway();
  ClickFolder(1);
  ExpectLook(window->editLink(), LinkLabel::Look::kNormal, "edit after a click");
  ExpectLook(window->removeLink(), LinkLabel::Look::kNormal, "remove after a click");
  PointAt(window->editLink());
  ExpectLook(window->editLink(), LinkLabel::Look::kHover, "over edit");
  PointAway();
  ExpectLook(window->editLink(), LinkLabel::Look::kNormal, "off edit");
  PointAt(window->removeLink());
  ExpectLook(window->removeLink(), LinkLabel::Look::kHover, "over remove");
  Click(window->removeLink());
  EXPECT_EQ(window->Folders(), Folders{a});
  ExpectLook(window->removeLink(), LinkLabel::Look::kGrey, "over remove after removing");
  ExpectLook(window->editLink(), LinkLabel::Look::kGrey, "edit after removing");
  PointAway();
  ExpectLook(window->removeLink(), LinkLabel::Look::kGrey, "off remove after removing");
}

TEST_F(LibraryEditorTest, EditMovesTheSelectedFolderBackIntoTheBoxByteForByte) {
  const std::string a = folder.MakeFolder("a");
  const std::string odd = folder.MakeFolder("caf\xe9 \xff");  // not UTF-8
  WriteLibrary({odd, a});
  StartApp();
  OpenFromMainMenu();
  LibraryEditor* window = editor();
  ASSERT_EQ(window->Folders(), (Folders{a, odd}));

  Click(window->editLink());  // nothing selected: nothing happens
  EXPECT_EQ(window->Folders(), (Folders{a, odd}));
  EXPECT_EQ(window->textBox()->text(), "");

  ClickFolder(1);
  Click(window->editLink());
  EXPECT_EQ(window->Folders(), Folders{a});
  EXPECT_EQ(window->TypedFolder(), odd);
  EXPECT_FALSE(window->textBox()->text().isEmpty());
  EXPECT_EQ(window->focusWidget(), window->textBox());
  ExpectLook(window->editLink(), LinkLabel::Look::kGrey, "edit after editing");

  QTest::keyClick(window->textBox(), Qt::Key_Return);
  EXPECT_EQ(window->Folders(), (Folders{a, odd}));
  EXPECT_TRUE(dialogs.shown().empty());
  Click(window->continueButton());
  EXPECT_EQ(ReadFile(LibraryFile()), a + "\r\n" + odd + "\r\n");
}

TEST_F(LibraryEditorTest, TitleBarCloseEndsTheApplicationOrGoesBackWhenAlreadyEnding) {
  const std::string music = folder.MakeFolder("music");
  StartApp();
  LibraryEditor* window = editor();
  ASSERT_TRUE(window->isVisible());

  window->close();
  EXPECT_EQ(terminationRequests, 1);
  EXPECT_TRUE(app->state().TerminationRequested);
  EXPECT_TRUE(dialogs.shown().empty());

  // Asked again while the application is ending: with no folders it cannot go on...
  window->show();
  ProcessEvents();
  window->close();
  EXPECT_EQ(dialogs.Messages(),
            Messages{"Because you have not entered any folders into your music library, this "
                     "application cannot continue, and will close."});
  EXPECT_EQ(terminationRequests, 2);

  // ...with folders it goes back to the main window.
  window->show();
  ProcessEvents();
  TypeAndEnter(music);
  window->close();
  EXPECT_EQ(terminationRequests, 2);
  EXPECT_TRUE(mainWindow()->isVisible());
  EXPECT_FALSE(window->isVisible());
  EXPECT_FALSE(RealFileSystem().Exists(LibraryFile()));
}

}  // namespace
}  // namespace tunewick
