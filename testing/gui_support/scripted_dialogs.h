#pragma once

#include <QString>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "adapters/dialogs.h"

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
    DefaultAnswer preferred = DefaultAnswer::kOk;
  };

  void QueueAnswer(bool yes) { answers_.push_back(yes); }
  void QueuePick(std::optional<std::string> path) { picks_.push_back(std::move(path)); }

  const std::vector<Shown>& shown() const { return shown_; }
  // The texts of plain messages, in order.
  std::vector<QString> Messages() const {
    std::vector<QString> texts;
    for (const Shown& dialog : shown_)
      if (dialog.kind == Kind::kMessage) texts.push_back(dialog.text);
    return texts;
  }
  void Clear() { shown_.clear(); }

  void ShowMessage(QWidget*, const QString& text) override {
    shown_.push_back({Kind::kMessage, QString(), text, {}});
  }
  bool AskWarningYesCancel(QWidget*, const QString& title, const QString& text) override {
    return Next(answers_, false, {Kind::kWarningYesCancel, title, text, {}});
  }
  bool AskConfirmOkCancel(QWidget*, const QString& title, const QString& text,
                          DefaultAnswer preferred) override {
    return Next(answers_, false, {Kind::kConfirmOkCancel, title, text, {}, preferred});
  }
  std::optional<std::string> PickFolder(QWidget*, const QString& title,
                                        const std::string& root) override {
    return Next<std::optional<std::string>>(picks_, {}, {Kind::kPickFolder, title, {}, root});
  }
  std::optional<std::string> PickSaveFile(QWidget*, const std::string& folder,
                                          const QString& proposedName,
                                          const QString& fileType) override {
    return Next<std::optional<std::string>>(picks_, {},
                                            {Kind::kPickSaveFile, fileType, proposedName, folder});
  }

 private:
  // Records the dialog; the next queued answer, or `none` when the queue is empty.
  template <typename Answer>
  Answer Next(std::deque<Answer>& queue, Answer none, Shown dialog) {
    shown_.push_back(std::move(dialog));
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
