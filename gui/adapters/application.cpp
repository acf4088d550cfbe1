#include "adapters/application.h"

#include <QMessageBox>
#include <chrono>
#include <exception>

#include "platform/heap.h"
#include "widgets/shown_text.h"

namespace tunewick {
namespace {

Application::ErrorReporter& Reporter() {
  static Application::ErrorReporter reporter;
  return reporter;
}

}  // namespace

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {}

void Application::SetErrorReporter(ErrorReporter reporter) { Reporter() = std::move(reporter); }

void Application::ReportError(const QString& text) {
  const QString shown = AsSentence(text);
  if (Reporter()) {
    Reporter()(shown);
  } else {
    QMessageBox::critical(activeWindow(), applicationDisplayName(), shown);
  }
}

void Application::EndEventLoop() {
  // Not quit(): in Qt 6 that first sends every visible window a close event.
  QCoreApplication::exit(0);
}

bool Application::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& error) {
    ReportError(QString::fromLocal8Bit(error.what()));
  } catch (...) {
    ReportError(QStringLiteral("An unexpected error occurred."));
  }
  return true;
}

}  // namespace tunewick

namespace tunewick {

void RunGuarded(const std::function<void()>& work) {
  static int depth = 0;  // handlers run from within another, as a long run lets events in
  const auto start = std::chrono::steady_clock::now();
  {
    struct Nesting {
      Nesting() { ++depth; }
      ~Nesting() { --depth; }
    } nesting;
    try {
      work();
    } catch (const std::exception& error) {
      Application::ReportError(QString::fromLocal8Bit(error.what()));
    }
  }
  // A tidy-up, an undo or a list of a large library frees far more than it keeps: what it
  // freed goes back to the system once the user's action is over, not at every step of it.
  // Giving it back takes a few hundredths of a second, unnoticed after such an action but
  // not after every click or timer.
  constexpr auto kLongAction = std::chrono::milliseconds(100);
  if (depth == 0 && std::chrono::steady_clock::now() - start >= kLongAction) ReturnFreedMemory();
}

}  // namespace tunewick
