// Tunewick keeps its own look on any desktop: whatever palette the desktop's theme hands
// over, every text of every window stays readable; at any display scale every window lies
// on its screen with its contents inside it; and screen readers name every control.

#include <QAccessible>
#include <QCheckBox>
#include <QPushButton>
#include <QScreen>
#include <QToolTip>
#include <algorithm>
#include <cmath>

#include "gui_support/app_fixture.h"
#include "reports/changed_files.h"

namespace tunewick::testing {
namespace {

// The relative luminance and the contrast ratio of the web's accessibility guidelines.
double Luminance(const QColor& colour) {
  auto linear = [](double c) {
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
  };
  const QColor rgb = colour.toRgb();
  return 0.2126 * linear(rgb.redF()) + 0.7152 * linear(rgb.greenF()) + 0.0722 * linear(rgb.blueF());
}

double Contrast(const QColor& a, const QColor& b) {
  const double first = Luminance(a), second = Luminance(b);
  return (std::max(first, second) + 0.05) / (std::min(first, second) + 0.05);
}

// The palette a dark desktop theme hands over (the colours of GNOME's dark Adwaita).
QPalette DarkDesktopPalette() {
  const QColor window(0x35, 0x35, 0x35);
  QPalette palette(window, window);
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    const QColor text =
        group == QPalette::Disabled ? QColor(0x91, 0x91, 0x91) : QColor(0xEE, 0xEE, 0xEC);
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText,
                                     QPalette::ToolTipText, QPalette::HighlightedText})
      palette.setColor(group, role, text);
    palette.setColor(group, QPalette::Base, QColor(0x2D, 0x2D, 0x2D));
    palette.setColor(group, QPalette::AlternateBase, QColor(0x3A, 0x3A, 0x3A));
    palette.setColor(group, QPalette::ToolTipBase, QColor(0x26, 0x26, 0x26));
    palette.setColor(group, QPalette::Highlight, QColor(0x15, 0x53, 0x9E));
    palette.setColor(group, QPalette::PlaceholderText, QColor(0x8B, 0x8E, 0x8F));
    palette.setColor(group, QPalette::Link, QColor(0x8A, 0xB4, 0xF8));
  }
  return palette;
}

// How a failure names a widget: its kind and its text.
std::string Describe(const QWidget* widget) {
  QString text = widget->accessibleName();
  if (auto* label = qobject_cast<const QLabel*>(widget)) text = label->text();
  if (auto* button = qobject_cast<const QAbstractButton*>(widget)) text = button->text();
  return widget->metaObject()->className() + std::string(" \"") + text.toStdString() + "\"";
}

// The widget whose background shows behind one that paints none of its own.
const QWidget* Backdrop(const QWidget* widget) {
  while (!widget->isWindow() && !widget->autoFillBackground()) widget = widget->parentWidget();
  return widget;
}

struct TextOn {
  QColor text;
  QColor background;
  const char* what;
};

// The colours a widget may draw texts in, each with the colour it draws it on: its own text
// on what shows behind it, and every pair of its palette that styles draw texts with.
std::vector<TextOn> DrawnColours(const QWidget* widget, QPalette::ColorGroup group) {
  auto* button = qobject_cast<const QAbstractButton*>(widget);
  if (button && button->text().isEmpty()) return {};  // a picture
  const QPalette& own = widget->palette();
  const QWidget* backdrop = Backdrop(widget);
  std::vector<TextOn> drawn{{own.color(group, widget->foregroundRole()),
                             backdrop->palette().color(group, backdrop->backgroundRole()), "text"}};
  for (auto [text, background, what] :
       {std::tuple{QPalette::WindowText, QPalette::Window, "window text"},
        {QPalette::Text, QPalette::Base, "entry"},
        {QPalette::PlaceholderText, QPalette::Base, "placeholder"},
        {QPalette::ButtonText, QPalette::Button, "caption"},
        {QPalette::HighlightedText, QPalette::Highlight, "selected text"}})
    drawn.push_back({own.color(group, text), own.color(group, background), what});
  return drawn;
}

// Counts the texts of `window` checked; reports each that is hard to read.
int ExpectReadable(const QWidget* window) {
  const char* const kGroupNames[] = {"active", "disabled", "inactive"};  // by QPalette::ColorGroup
  int checked = 0;
  auto check = [&](const QWidget* widget) {
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
      for (const TextOn& drawn : DrawnColours(widget, group)) {
        const double contrast = Contrast(drawn.text, drawn.background);
        EXPECT_GE(contrast, 4.5) << Describe(widget) << " in \""
                                 << window->windowTitle().toStdString() << "\", " << drawn.what
                                 << " " << drawn.text.name().toStdString() << " on "
                                 << drawn.background.name().toStdString() << " when "
                                 << kGroupNames[group];
        ++checked;
      }
    }
  };
  for (QWidget* widget : window->findChildren<QWidget*>()) {
    auto* link = qobject_cast<LinkLabel*>(widget);
    if (!link) {
      check(widget);
      continue;
    }
    // A link turns grey while it leads nowhere: an inactive control, which the guidelines
    // leave out. It must be readable in the looks it has while it works.
    const LinkLabel::Look before = link->look();
    for (LinkLabel::Look look : {LinkLabel::Look::kNormal, LinkLabel::Look::kHover}) {
      link->setLook(look);
      check(link);
    }
    link->setLook(before);
  }
  return checked;
}

enum class Desktop { kLight, kDark, kTurnsDark };

class ReadableText : public AppFixture, public ::testing::WithParamInterface<Desktop> {
 protected:
  ~ReadableText() override { QApplication::setPalette(desktopPalette_); }

  const QPalette desktopPalette_ = QApplication::palette();
};

TEST_P(ReadableText, EveryTextOfEveryWindowStandsOutFromItsBackground) {
  WriteLibrary({folder.path()});
  if (GetParam() == Desktop::kDark) QApplication::setPalette(DarkDesktopPalette());
  StartApp();
  if (GetParam() == Desktop::kTurnsDark) {
    QApplication::setPalette(DarkDesktopPalette());
    ProcessEvents();
  }
  int checked = 0;
  for (QWidget* window : QApplication::topLevelWidgets())
    if (!window->parentWidget()) checked += ExpectReadable(window);
  EXPECT_GT(checked, 300);

  // Hints show in windows of their own.
  const QPalette hints = QToolTip::palette();
  EXPECT_GE(Contrast(hints.color(QPalette::ToolTipText), hints.color(QPalette::ToolTipBase)), 4.5);
}

INSTANTIATE_TEST_SUITE_P(Desktops, ReadableText,
                         ::testing::Values(Desktop::kLight, Desktop::kDark, Desktop::kTurnsDark));

// Run once more at 125%, 150% and 200% (QT_SCALE_FACTOR) by the test suite.
class Layout : public AppFixture {
 protected:
  void SetUp() override { StartWithSongs({"01_artist-song (1).mp3", "A - B - C.wav"}); }

  // The window lies on its screen (one too large for it from its top left); every widget
  // the user sees in it in its present state lies inside it, wide and high enough for its
  // text.
  static void ExpectWhole(QWidget* window, const std::string& state) {
    SCOPED_TRACE(window->windowTitle().toStdString() + ", " + state);
    window->show();
    if (QWidget* focused = window->focusWidget()) focused->clearFocus();  // no focus frame
    ProcessEvents();
    const QRect area = window->screen()->availableGeometry(), frame = window->frameGeometry();
    auto fits = [](int from, int to, int areaFrom, int areaTo) {
      return to - from <= areaTo - areaFrom ? from >= areaFrom && to <= areaTo : from == areaFrom;
    };
    EXPECT_TRUE(fits(frame.left(), frame.right(), area.left(), area.right()) &&
                fits(frame.top(), frame.bottom(), area.top(), area.bottom()))
        << "at " << frame.x() << "," << frame.y() << " " << frame.width() << "x" << frame.height()
        << " on a screen of " << area.width() << "x" << area.height();
    for (QWidget* widget : window->findChildren<QWidget*>()) {
      if (widget->isWindow() || !widget->isVisibleTo(window)) continue;
      // A bare panel only holds other widgets: they are what must fit.
      if (widget->metaObject() == &QWidget::staticMetaObject && !widget->autoFillBackground())
        continue;
      const std::string name = Describe(widget);
      const QRect where(widget->mapTo(window, QPoint(0, 0)), widget->size());
      EXPECT_TRUE(window->rect().contains(where))
          << name << " at " << where.x() << "," << where.y() << " " << where.width() << "x"
          << where.height() << " in a window of " << window->width() << "x" << window->height();
      if (qobject_cast<QLabel*>(widget) || qobject_cast<QCheckBox*>(widget)) {
        const QSize needed = widget->sizeHint();
        EXPECT_TRUE(needed.width() <= widget->width() && needed.height() <= widget->height())
            << name << " is " << widget->width() << "x" << widget->height() << ", its text needs "
            << needed.width() << "x" << needed.height();
      } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
        QString text = button->text();
        EXPECT_LT(button->fontMetrics().horizontalAdvance(text.remove(QLatin1Char('&'))),
                  button->width())
            << name;
      }
    }
    window->hide();
  }
};

TEST_F(Layout, EveryWindowKeepsItsContentsInsideIt) {
  WindowRegistry& windows = app->windows();
  SongLists& state = app->lists();

  ExpectWhole(windows.mainWindow, "main menu");
  windows.mainWindow->OpenSongList();
  ExpectWhole(windows.mainWindow, "song list");
  state.AllSongs.clear();
  windows.mainWindow->ClassifySongs();
  ExpectWhole(windows.mainWindow, "congratulations");

  ExpectWhole(windows.libraryEditor, "as opened");
  ExpectWhole(windows.aboutWindow, "as opened");

  app->gui().SelectedSong = folder.MakeFile("music/" + std::string(200, 'n') + ".mp3");
  windows.previewWindow->RequestPreview(PreviewAsker::kMainWindow);
  ExpectWhole(windows.previewWindow, "previewing a long path");
  EXPECT_LE(windows.previewWindow->frameGeometry().width(),
            windows.previewWindow->screen()->availableGeometry().width());
  windows.correctionDialog->ShowHelp();
  ExpectWhole(windows.correctionDialog, "with its help");

  ExpectWhole(windows.tidyupConfirmWindow, "collapsed");
  windows.tidyupConfirmWindow->ToggleInformation();
  ExpectWhole(windows.tidyupConfirmWindow, "expanded");

  state.PrefixLog = {"'" + music + "/01_x.mp3' was renamed to '" + music + "/x.mp3'"};
  state.UnderscoreLog.assign(1234567, "x");
  windows.tidyupResultsWindow->Refresh();
  ExpectWhole(windows.tidyupResultsWindow, "results, seven digits");
  state.UnderscoreLog.clear();
  windows.tidyupResultsWindow->ShowChangedFiles();
  ExpectWhole(windows.changedFilesWindow, "one rename");
  state.PrefixLog.clear();
  windows.tidyupResultsWindow->Refresh();
  ExpectWhole(windows.tidyupResultsWindow, "songs left to fix");
  Click(windows.tidyupResultsWindow, "Why weren't all of my songs tidied?");
  ExpectWhole(windows.tidyupResultsWindow, "with the explanation");
}

QString AccessibleName(QWidget* widget) {
  QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
  return face ? face->text(QAccessible::Name) : QString();
}

// Screen readers (through QAccessible, which AT-SPI reads) find every window as a frame, or
// as a dialog once tied to another window, and named; every control named after the text the
// user sees on it, also after the text changes, or after its hint when it shows a picture; a
// link as a link they can press, disabled while it is grey; each result counter with its
// caption.
using Accessibility = AppFixture;

TEST_F(Accessibility, EveryWindowAndControlTellsScreenReadersWhatItIsAndDoes) {
  WriteLibrary({folder.path()});
  StartApp();
  Click(main(), "About");
  SongLists& lists = app->lists();
  std::size_t count = 0;  // the counters read 1 to 5, each telling its row
  for (TextList* log : {&lists.PrefixLog, &lists.UnderscoreLog, &lists.BracketLog,
                        &lists.CapitalLog, &lists.DashLog})
    log->assign(++count, "x");
  results()->Refresh();

  int windows = 0, checked = 0, grey = 0;
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (window->parentWidget()) continue;  // the song menu, a part of the main window
    ++windows;
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(window);
    EXPECT_EQ(face->role(),
              window == app->windows().aboutWindow ? QAccessible::Dialog : QAccessible::Window)
        << Describe(window);
    EXPECT_FALSE(AccessibleName(window).trimmed().isEmpty()) << Describe(window);
    for (QLabel* label : window->findChildren<QLabel*>()) {
      if (label->text().isEmpty()) continue;
      QString name = label->text();
      if (const int row = window == results() ? name.toInt() : 0)  // a counter
        name += ' ' + QString::fromUtf8(kCounterOrder[row - 1].counterCaption.data());
      EXPECT_EQ(AccessibleName(label), name) << Describe(label);
      ++checked;
      if (auto* link = qobject_cast<LinkLabel*>(label)) {
        QAccessibleInterface* linkFace = QAccessible::queryAccessibleInterface(link);
        EXPECT_EQ(linkFace->role(), QAccessible::Link) << Describe(link);
        EXPECT_TRUE(linkFace->actionInterface()->actionNames().contains(
            QAccessibleActionInterface::pressAction()))
            << Describe(link);
        EXPECT_EQ(linkFace->state().disabled,
                  link->look() == LinkLabel::Look::kGrey || !link->isEnabled())
            << Describe(link);
        grey += link->look() == LinkLabel::Look::kGrey;
      }
    }
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
      if (button->text().isEmpty()) {
        EXPECT_FALSE(AccessibleName(button).isEmpty())
            << "a picture button without a name in " << Describe(window);
      } else {
        EXPECT_EQ(AccessibleName(button), button->text().remove(QLatin1Char('&')))
            << button->text().toStdString();
      }
      ++checked;
    }
  }
  EXPECT_EQ(windows, 9);
  EXPECT_GT(checked, 60);
  EXPECT_GT(grey, 0);

  LinkLabel link(QStringLiteral("before"));
  link.setText(QStringLiteral("after"));
  EXPECT_EQ(AccessibleName(&link), "after");
  int pressed = 0;
  QObject::connect(&link, &LinkLabel::activated, [&pressed] { ++pressed; });
  QAccessible::queryAccessibleInterface(&link)->actionInterface()->doAction(
      QAccessibleActionInterface::pressAction());
  ProcessEvents();
  EXPECT_EQ(pressed, 1);
}

}  // namespace
}  // namespace tunewick::testing
