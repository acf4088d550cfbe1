#pragma once

#include <QString>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/dialogs.h"

namespace tunewick::testing {

// Dialogs answered from a script. Every dialog asked for is recorded; a question with no
// answer queued is answered with Cancel, a picker with no answer queued is cancelled.
class ScriptedDialogs final : public Dialogs {
 public:
  enum class Kind { kMessage, kWarningYesCancel, kConfirmOkCancel, kPickFolder, kPickSaveFile };
  struct Shown {
    Kind kind;
    QString title;
    QString text;        // the message, or the picker's proposed name
    std::string folder;  // the picker's root or initial folder
  };

  void QueueAnswer(bool yes) { answers_.push_back(yes); }
  void QueuePick(std::optional<std::string> path) { picks_.push_back(std::move(path)); }

  const std::vector<Shown>& shown() const { return shown_; }
  std::vector<QString> Messages() const;  // the texts of plain messages, in order
  void Clear() { shown_.clear(); }

  void ShowMessage(QWidget* parent, const QString& text) override;
  bool AskWarningYesCancel(QWidget* parent, const QString& title, const QString& text) override;
  bool AskConfirmOkCancel(QWidget* parent, const QString& title, const QString& text) override;
  std::optional<std::string> PickFolder(QWidget* parent, const QString& title,
                                        const std::string& root) override;
  std::optional<std::string> PickSaveFile(QWidget* parent, const std::string& folder,
                                          const QString& proposedName,
                                          const QString& fileType) override;

 private:
  // The next queued answer, or `none` when the queue is empty.
  template <typename Answer>
  static Answer Next(std::deque<Answer>& queue, Answer none) {
    if (queue.empty()) return none;
    Answer answer = std::move(queue.front());
    queue.pop_front();
    return answer;
  }

  std::vector<Shown> shown_;
  std::deque<bool> answers_;
  std::deque<std::optional<std::string>> picks_;
};

}  // namespace tunewick::testing
