// Test helper: a private X server (Xvfb) on a free display, started for a test program.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace SkinUI {

/// Starts Xvfb on a display number it chooses itself (-displayfd), points DISPLAY at it and
/// stops it at the end. Register it with ::testing::AddGlobalTestEnvironment.
class XvfbEnvironment : public ::testing::Environment {
 public:
  void SetUp() override;
  void TearDown() override;
  static int Width() { return 1280; }
  static int Height() { return 800; }

 private:
  int pid_ = -1;
};

/// Runs the main loop until `done` says so or `timeout_ms` pass; true when done.
template <class Predicate>
bool RunUntil(Predicate done, int timeout_ms = 5000);

bool RunMainLoopOnce(int& elapsed_ms);

template <class Predicate>
bool RunUntil(Predicate done, int timeout_ms) {
  int elapsed = 0;
  while (!done()) {
    if (elapsed > timeout_ms) return false;
    RunMainLoopOnce(elapsed);
  }
  return true;
}

}  // namespace SkinUI
