// main() for tests that draw text and images without widgets: GoogleTest
// inside a QGuiApplication.
#include <QGuiApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  // Tests never need a display; listing them at build time has none.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
