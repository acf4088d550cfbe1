#pragma once

// Dialogs for the window benchmarks: none is expected while they measure, and any that
// shows up is counted and reported.

#include <QString>
#include <cstdio>
#include <optional>
#include <string>

#include "platform/dialogs.h"

namespace tunewick::bench {

class QuietDialogs final : public Dialogs {
 public:
  int shown = 0;
  void ShowMessage(QWidget*, const QString& text) override { Report(text); }
  bool AskWarningYesCancel(QWidget*, const QString&, const QString& text) override {
    Report(text);
    return false;
  }
  bool AskConfirmOkCancel(QWidget*, const QString&, const QString& text) override {
    Report(text);
    return false;
  }
  std::optional<std::string> PickFolder(QWidget*, const QString& title,
                                        const std::string&) override {
    Report(title);
    return std::nullopt;
  }
  std::optional<std::string> PickSaveFile(QWidget*, const std::string&, const QString& name,
                                          const QString&) override {
    Report(name);
    return std::nullopt;
  }

 private:
  void Report(const QString& text) {
    ++shown;
    std::fprintf(stderr, "unexpected dialog: %s\n", text.toUtf8().constData());
  }
};

}  // namespace tunewick::bench
