#include "library/library_editor.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>

#include "app/main_window.h"
#include "platform/look.h"
#include "platform/window_behaviour.h"

namespace tunewick {

LibraryEditor::LibraryEditor(AppContext& context, QWidget* parent)
    : QWidget(parent), context_(context) {
  setWindowTitle(QStringLiteral("Your Music Library"));
  look::MakeWhite(this);
  setFont(look::Font(12));
  MakeFixedWindow(this, 420, 400);
  heading_ = new QLabel(QStringLiteral("Welcome to your music library "), this);
  look::MakeHeading(heading_);
  heading_->setGeometry(48, 12, 360, 24);
  keepLibrary_ = new QCheckBox(QStringLiteral("Keep my music library (I plan to run this tool again)"), this);
  keepLibrary_->setChecked(true);
  keepLibrary_->setGeometry(16, 330, 390, 20);
  MinimiseApplicationWith(this);
}

void LibraryEditor::SetHeading(const QString& text) { heading_->setText(text); }
QString LibraryEditor::Heading() const { return heading_->text(); }
bool LibraryEditor::KeepLibrary() const { return keepLibrary_->isChecked(); }

void LibraryEditor::closeEvent(QCloseEvent* event) {
  if (!context_.state.TerminationRequested) {
    context_.state.TerminationRequested = true;
    context_.requestTermination();
  }
  event->accept();
}

}  // namespace tunewick
