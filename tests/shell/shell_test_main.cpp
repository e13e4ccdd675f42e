// The main of the window's test programs: one QApplication on the offscreen platform, the
// Fusion style pinned so that pictures do not depend on the machine, and the test's own
// temporary folders for the data root, the user store and the cache.
#include <gtest/gtest.h>

#include <QApplication>
#include <QStyleFactory>
#include <cstdlib>

// The leak checker's file of Qt's own allocations, for this program and for the programs it
// starts (the test's environment, where given, takes precedence).
#define ORVANTIS_LSAN_OPTIONS \
  "suppressions=" ORVANTIS_SHELL_TEST_DIR "/lsan.supp:print_suppressions=0"
#if defined(__SANITIZE_ADDRESS__)
extern "C" const char* __lsan_default_options() { return ORVANTIS_LSAN_OPTIONS; }
#endif

int main(int argc, char** argv) {
  // The environment of every window test (kept where the caller set it).
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  ::setenv("ORVANTIS_NO_SPLASH_PAUSE", "1", 0);
  ::setenv("QTEST_FUNCTION_TIMEOUT", "60000", 0);
  ::setenv("ORVANTIS_SOURCE_DIR", ORVANTIS_SOURCE_DIR_DEFAULT, 0);
  ::setenv("XDG_CACHE_HOME", ORVANTIS_TEST_CACHE_DIR, 0);
  ::setenv("LSAN_OPTIONS", ORVANTIS_LSAN_OPTIONS, 0);
  QApplication application(argc, argv);
  QApplication::setStyle(QStyleFactory::create("Fusion"));
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
