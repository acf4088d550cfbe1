#pragma once

// Dialogs, player and desktop for the window benchmarks: none is expected to be used
// while they measure, and any use is counted and reported.

#include <QString>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <optional>
#include <string>

#include "adapters/application.h"
#include "adapters/desktop_opener.h"
#include "adapters/dialogs.h"
#include "adapters/media_player.h"
#include "bench_tools.h"
#include "widgets/look.h"

namespace tunewick::bench {

class QuietDialogs final : public Dialogs {
 public:
  int shown = 0;
  void ShowMessage(QWidget*, const QString& text) override { Report(text); }
  bool AskWarningYesCancel(QWidget*, const QString&, const QString& text) override {
    Report(text);
    return false;
  }
  bool AskConfirmOkCancel(QWidget*, const QString&, const QString& text, DefaultAnswer) override {
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

class QuietPlayer final : public MediaPlayer {
 public:
  int used = 0;
  void SetFileName(const std::string&) override { ++used; }
  bool Open() override { return ++used, false; }
  bool Play() override { return ++used, false; }
  void Stop() override {}
  void Rewind() override {}
  std::string Problem() const override { return {}; }
  bool CanBeHeard() const override { return true; }
};

class QuietDesktop final : public DesktopOpener {
 public:
  int used = 0;
  bool Open(const std::string&) override { return ++used, false; }
};

// Everything a TunewickApp needs besides the file system, all of it quiet.
struct QuietServices {
  QuietDialogs dialogs;
  QuietPlayer player;
  QuietDesktop desktop;
  int Used() const { return dialogs.shown + player.used + desktop.used; }
};

// Runs `run` inside an application on Qt's offscreen platform, as the window benchmarks
// need; an exception ends the benchmark with its text and exit code 1.
template <typename Run>
int RunOffscreen(char** argv, const char* name, Run run) {
  if (!std::getenv("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  int qtArgc = 1;
  Application application(qtArgc, argv);
  Application::setQuitOnLastWindowClosed(false);
  look::RegisterFonts();
  return RunTellingFailure(name, run);
}

}  // namespace tunewick::bench
