// The main of every test program: the whole run gets a private home, so a test that does
// not set up one of its own still never writes logs, header files, settings or backups
// into the user's real folders.
#include <gtest/gtest.h>

#include <cstdlib>

#include "support/temp_home.h"

int main(int argc, char** argv) {
  setenv("KIPO_TEST", "1", 0);
  kipo::test::TempHome home;
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
