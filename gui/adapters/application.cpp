#include "adapters/application.h"

#include <QMessageBox>
#include <exception>

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
  try {
    work();
  } catch (const std::exception& error) {
    Application::ReportError(QString::fromLocal8Bit(error.what()));
  }
}

}  // namespace tunewick
