// The main of the window tests: a real application object on Qt's offscreen platform,
// so that the tests run without a display.

#include <gtest/gtest.h>

#include <cstdlib>

#include "adapters/application.h"
#include "widgets/look.h"

int main(int argc, char** argv) {
  // Test discovery runs this program outside ctest's environment: choose the platform here.
  if (!std::getenv("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  ::testing::InitGoogleTest(&argc, argv);
  tunewick::Application application(argc, argv);
  tunewick::Application::setApplicationName(QStringLiteral("Tunewick"));
  tunewick::Application::setQuitOnLastWindowClosed(false);
  tunewick::look::RegisterFonts();
  return RUN_ALL_TESTS();
}
