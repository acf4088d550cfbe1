#pragma once

// The modal dialogs Tunewick asks the user with. Windows call them through this
// interface so that tests can answer them from a script instead of a person.

#include <QString>
#include <optional>
#include <string>

class QWidget;

namespace tunewick {

// Which answer Return gives.
enum class DefaultAnswer { kOk, kCancel };

class Dialogs {
 public:
  virtual ~Dialogs() = default;

  // A message with an OK button.
  virtual void ShowMessage(QWidget* parent, const QString& text) = 0;

  // A warning with "&Yes" (the default) and "Cancel" (also Escape). True for Yes.
  virtual bool AskWarningYesCancel(QWidget* parent, const QString& title, const QString& text) = 0;

  // A question with "OK" and "Cancel" (also Escape), `preferred` the default. True for OK.
  virtual bool AskConfirmOkCancel(QWidget* parent, const QString& title, const QString& text,
                                  DefaultAnswer preferred) = 0;

  // The folder picker, rooted at `root`. The chosen folder's exact path bytes, or nothing
  // on cancel or when those cannot be told for sure (the user is told why).
  virtual std::optional<std::string> PickFolder(QWidget* parent, const QString& title,
                                                const std::string& root) = 0;

  // The save-file dialog, opening in `folder` with `proposedName` and one file-type
  // entry described `fileType`. The chosen path, or nothing on cancel.
  virtual std::optional<std::string> PickSaveFile(QWidget* parent, const std::string& folder,
                                                  const QString& proposedName,
                                                  const QString& fileType) = 0;
};

// The dialogs on screen, built on QMessageBox and QFileDialog.
class QtDialogs final : public Dialogs {
 public:
  void ShowMessage(QWidget* parent, const QString& text) override;
  bool AskWarningYesCancel(QWidget* parent, const QString& title, const QString& text) override;
  bool AskConfirmOkCancel(QWidget* parent, const QString& title, const QString& text,
                          DefaultAnswer preferred) override;
  std::optional<std::string> PickFolder(QWidget* parent, const QString& title,
                                        const std::string& root) override;
  std::optional<std::string> PickSaveFile(QWidget* parent, const std::string& folder,
                                          const QString& proposedName,
                                          const QString& fileType) override;
};

}  // namespace tunewick
