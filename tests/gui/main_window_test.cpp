#include <QTest>

#include "app/main_window.h"
#include "library/library_editor.h"
#include "support/app_fixture.h"

namespace tunewick {
namespace {

using MainWindowTest = testing::AppFixture;

TEST_F(MainWindowTest, StartsOnTheMainMenuWhenALibraryExists) {
  WriteLibrary({folder.path(), ""});
  StartApp();
  MainWindow* main = app->windows().mainWindow;
  EXPECT_TRUE(main->isVisible());
  EXPECT_EQ(main->windowTitle(), "Tunewick");
  EXPECT_EQ(main->size(), QSize(337, 177));
  EXPECT_FALSE(main->IsShowingSongList());
  EXPECT_EQ(app->state().LibraryFolders, (TextList{folder.path(), ""}));
  EXPECT_FALSE(app->windows().libraryEditor->isVisible());
}

TEST_F(MainWindowTest, FirstStartOpensTheLibraryEditorWithTheWelcome) {
  StartApp();
  EXPECT_FALSE(app->windows().mainWindow->isVisible());
  EXPECT_TRUE(app->windows().libraryEditor->isVisible());
  EXPECT_EQ(app->windows().libraryEditor->Heading(),
            "Welcome to Tunewick!  Add folders to your Music library to begin");
  EXPECT_EQ(app->state().ReturnTarget, "mainmenu");
}

}  // namespace
}  // namespace tunewick
