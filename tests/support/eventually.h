// Waiting in tests for something another process does.
#pragma once

#include <chrono>
#include <thread>

namespace kvtest {

/// Polls `condition` every 10 ms for up to five seconds; its last answer.
template <typename Condition>
bool Eventually(Condition condition) {
  for (int i = 0; i < 500; ++i) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return condition();
}

}  // namespace kvtest
