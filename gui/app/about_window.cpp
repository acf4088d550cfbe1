#include "app/about_window.h"

#include <QLabel>
#include <QPushButton>
#include <algorithm>

#include "widgets/look.h"
#include "widgets/picture_button.h"
#include "widgets/pictures.h"
#include "widgets/window_behaviour.h"
#include "widgets/window_keys.h"

namespace tunewick {

AboutWindow::AboutWindow(AppContext& context, QWidget* parent) : QWidget(parent) {
  setWindowTitle(QStringLiteral("About"));
  look::MakeWhite(this);

  auto* picture = new PictureButton(pictures::About(), QStringLiteral("Back to the menu"), this);
  picture->setGeometry(16, 16, 72, 72);
  connect(picture, &PictureButton::clicked, this, [this, &context] {
    hide();
    context.navigator.ShowMainWindow();
  });

  auto* name = new QLabel(QStringLiteral("Tunewick"), this);
  look::MakeHeading(name);
  name->adjustSize();
  name->move(104, 20);

  auto* credits = new QLabel(QStringLiteral("Tidies the file names of your music collection into\n"
                                            "\"Artist Name - Song Name\".\n\n"
                                            "Written by the Tunewick developers."),
                             this);
  credits->setFont(look::Font(12));
  look::SetTextColor(credits, look::kLink);
  look::LeaveRoomForText(credits);
  credits->adjustSize();
  credits->move(104, 48);

  auto* close = new QPushButton(QStringLiteral("Close this Window"), this);
  close->setFont(look::Font(12));
  connect(close, &QPushButton::clicked, this, &QWidget::hide);
  MakeDefaultButton(close);
  LeaveOnEscape(this, [close] { close->click(); });

  // The credits decide the size, so that no line is cut whatever the font.
  constexpr int kMargin = 16;
  const int width = std::max(340, credits->geometry().right() + 1 + kMargin);
  const int height = std::max(170, credits->geometry().bottom() + 1 + 12 + 25 + kMargin);
  MakeFixedWindow(this, width, height);
  close->setGeometry(width - kMargin - 130, height - kMargin - 25, 130, 25);
  CentreWhenFirstShown(this);

  MinimiseApplicationWith(this);
}

}  // namespace tunewick
