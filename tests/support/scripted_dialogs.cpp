#include "support/scripted_dialogs.h"

namespace tunewick::testing {

std::vector<QString> ScriptedDialogs::Messages() const {
  std::vector<QString> texts;
  for (const Shown& dialog : shown_)
    if (dialog.kind == Kind::kMessage) texts.push_back(dialog.text);
  return texts;
}

void ScriptedDialogs::ShowMessage(QWidget*, const QString& text) {
  shown_.push_back({Kind::kMessage, QString(), text, {}});
}

bool ScriptedDialogs::AskWarningYesCancel(QWidget*, const QString& title, const QString& text) {
  shown_.push_back({Kind::kWarningYesCancel, title, text, {}});
  return Next(answers_, false);
}

bool ScriptedDialogs::AskConfirmOkCancel(QWidget*, const QString& title, const QString& text) {
  shown_.push_back({Kind::kConfirmOkCancel, title, text, {}});
  return Next(answers_, false);
}

std::optional<std::string> ScriptedDialogs::PickFolder(QWidget*, const QString& title,
                                                       const std::string& root) {
  shown_.push_back({Kind::kPickFolder, title, QString(), root});
  return Next<std::optional<std::string>>(picks_, std::nullopt);
}

std::optional<std::string> ScriptedDialogs::PickSaveFile(QWidget*, const std::string& folder,
                                                         const QString& proposedName,
                                                         const QString& fileType) {
  shown_.push_back({Kind::kPickSaveFile, fileType, proposedName, folder});
  return Next<std::optional<std::string>>(picks_, std::nullopt);
}

}  // namespace tunewick::testing
