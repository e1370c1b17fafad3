#include <gtest/gtest.h>

#include "platform/Backend.h"

// Every test program runs the platform layer on its headless backend: scripted
// input, a virtual clock, recorded dialogs, no window.
int main(int argc, char** argv) {
  platform::SetBackend(platform::Backend::Headless);
  testing::InitGoogleTest(&argc, argv);
  testing::FLAGS_gtest_death_test_style = "threadsafe";
  return RUN_ALL_TESTS();
}
