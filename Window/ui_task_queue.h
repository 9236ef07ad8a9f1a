// CUiTaskQueue carries work from the worker threads to the UI thread: a worker posts a task, the
// window's message loop runs it. Workers keep the queue alive through a shared_ptr; once the
// window closes the queue, tasks still coming are dropped, so a late event never reaches a
// window that is gone.
#pragma once

#include <deque>
#include <functional>
#include <mutex>

#include "skinui/messages.h"

namespace SkinUI {
class CNativeWindow;
}

/// The private message that tells the window to run its queued tasks.
inline constexpr SkinUI::MessageId kWmRunUiTasks = SkinUI::kWmUser + 0x100;

class CUiTaskQueue {
 public:
  explicit CUiTaskQueue(SkinUI::CNativeWindow* window) : window_(window) {}

  /// Any thread: queues `task` for the UI thread. Dropped once the queue is closed.
  void Post(std::function<void()> task);
  /// UI thread, on kWmRunUiTasks: runs the tasks queued so far, in order.
  void RunPending();
  /// UI thread: drops what is queued and everything posted later.
  void Close();

 private:
  std::mutex lock_;  // guards tasks_, closed_ and the use of window_
  std::deque<std::function<void()>> tasks_;
  bool closed_ = false;
  SkinUI::CNativeWindow* window_;
};
