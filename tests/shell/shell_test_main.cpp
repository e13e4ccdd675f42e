// The main of the window's test programs: one QApplication on the offscreen platform, the
// Fusion style pinned so that pictures do not depend on the machine, and the test's own
// temporary folders for the data root, the user store and the cache.
#include <gtest/gtest.h>

#include <QApplication>
#include <QStyleFactory>
#include <cstdlib>

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  ::setenv("ORVANTIS_NO_SPLASH_PAUSE", "1", 0);
  QApplication application(argc, argv);
  QApplication::setStyle(QStyleFactory::create("Fusion"));
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
