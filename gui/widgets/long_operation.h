#pragma once

#include <QObject>
#include <chrono>

class QWidget;

namespace tunewick {

// A long operation that runs on the event loop's thread and can still be stopped from
// `window`: now and then it lets the window's events through (a Cancel click, a repaint),
// while the user's input to every other window is held back, so that nothing there can
// act on state the operation is changing.
class LongOperation : public QObject {
 public:
  explicit LongOperation(QWidget* window);
  ~LongOperation() override;
  LongOperation(const LongOperation&) = delete;
  LongOperation& operator=(const LongOperation&) = delete;

  // Lets the events waiting be handled, at most every few hundredths of a second.
  void LetEventsThrough();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* window_;
  std::chrono::steady_clock::time_point lastEvents_{};
};

}  // namespace tunewick
