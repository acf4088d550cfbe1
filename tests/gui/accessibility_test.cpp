#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QLabel>

#include "platform/link_label.h"
#include "support/app_fixture.h"

namespace tunewick {
namespace {

using AccessibilityTest = testing::AppFixture;

QString AccessibleName(QWidget* widget) {
  QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
  return face ? face->text(QAccessible::Name) : QString();
}

QString VisibleText(QString text) { return text.remove(QLatin1Char('&')); }

// Screen readers read out every control by the text the user sees on it, also after the text
// changes; controls that show only a picture are read out by their hint.
TEST_F(AccessibilityTest, EveryControlIsNamedAfterWhatItShows) {
  WriteLibrary({folder.path()});
  StartApp();
  int checked = 0;
  for (QWidget* window : QApplication::topLevelWidgets()) {
    for (QLabel* label : window->findChildren<QLabel*>()) {
      if (label->text().isEmpty()) continue;
      EXPECT_EQ(AccessibleName(label), label->text()) << label->text().toStdString();
      ++checked;
    }
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
      if (button->text().isEmpty()) {
        EXPECT_FALSE(AccessibleName(button).isEmpty())
            << "a picture button without a name in " << window->windowTitle().toStdString();
      } else {
        EXPECT_EQ(AccessibleName(button), VisibleText(button->text()))
            << button->text().toStdString();
      }
      ++checked;
    }
  }
  EXPECT_GT(checked, 20);
  LinkLabel link(QStringLiteral("before"));
  link.setText(QStringLiteral("after"));
  EXPECT_EQ(AccessibleName(&link), "after");
}

}  // namespace
}  // namespace tunewick
