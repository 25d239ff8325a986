// The GUI tests need one QApplication for the whole run, on the offscreen platform, and a
// private home like every test program (support/test_main.cpp).
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "support/temp_home.h"

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  setenv("KIPO_TEST", "1", 0);
  kipo::test::TempHome home;
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
