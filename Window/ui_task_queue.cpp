#include "Window/ui_task_queue.h"

#include <utility>

#include "skinui/native_window.h"

void CUiTaskQueue::Post(std::function<void()> task) {
  std::lock_guard<std::mutex> hold(lock_);
  if (closed_) return;
  tasks_.push_back(std::move(task));
  // One wake-up per task is more than needed, but a lost one would stall the queue.
  window_->PostMessage(kWmRunUiTasks);
}

void CUiTaskQueue::RunPending() {
  for (;;) {
    std::function<void()> task;
    {
      std::lock_guard<std::mutex> hold(lock_);
      if (closed_ || tasks_.empty()) return;
      task = std::move(tasks_.front());
      tasks_.pop_front();
    }
    task();  // may open a modal box, whose loop runs later tasks itself
  }
}

void CUiTaskQueue::Close() {
  std::lock_guard<std::mutex> hold(lock_);
  closed_ = true;
  tasks_.clear();
}
