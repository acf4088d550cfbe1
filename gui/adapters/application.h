#pragma once

#include <QApplication>
#include <functional>

namespace tunewick {

// The application object. An exception that escapes an event handler does not end the
// program: its text goes to the error reporter (a message box) and the program goes on.
class Application : public QApplication {
  Q_OBJECT

 public:
  Application(int& argc, char** argv);

  using ErrorReporter = std::function<void(const QString& text)>;
  static void SetErrorReporter(ErrorReporter reporter);
  static void ReportError(const QString& text);

  // Ends the program: the event loop (and any loop nested in it) returns at once. No
  // window is asked to close, so no close handler runs and no message shows on the way
  // out; the windows are destroyed as they are.
  static void EndEventLoop();

  bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace tunewick

namespace tunewick {

// Runs one event handler's work; an exception that escapes it is reported like any
// other and the program goes on. Once the outermost one ends, having taken long enough to
// have handled a large library, the memory it freed goes back to the system.
void RunGuarded(const std::function<void()>& work);

}  // namespace tunewick
