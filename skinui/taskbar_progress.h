// The progress shown on the window's task bar button. On Linux it is the launcher-entry
// signal that docks and task bars listen to on the session bus; where nothing listens, or
// there is no session bus, the calls do nothing.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace SkinUI {

class CNativeWindow;

/// The states, with the values of Windows' TBPFLAG.
enum TaskbarState : int {
  kTbpfNoProgress = 0,
  kTbpfIndeterminate = 0x1,
  kTbpfNormal = 0x2,
  kTbpfError = 0x4,
  kTbpfPaused = 0x8,
};

class CTaskbarProgress {
 public:
  CTaskbarProgress();
  ~CTaskbarProgress();
  CTaskbarProgress(const CTaskbarProgress&) = delete;
  CTaskbarProgress& operator=(const CTaskbarProgress&) = delete;

  /// Reports for `window` from now on, starting in the indeterminate state.
  void Attach(CNativeWindow* window);
  void SetState(TaskbarState state);
  /// `done` out of `total`; a total of 0 counts as nothing done.
  void SetValue(std::uint64_t done, std::uint64_t total);

  /// The desktop entry the signal names ("application://NAME.desktop"); by default the
  /// program's own name.
  void SetApplicationId(const std::string& desktop_entry);
  TaskbarState GetState() const { return state_; }
  double GetFraction() const { return fraction_; }

 private:
  void Publish();

  struct Bus;
  std::unique_ptr<Bus> bus_;
  std::string desktop_entry_;
  bool attached_ = false;
  TaskbarState state_ = kTbpfNoProgress;
  double fraction_ = 0;
};

}  // namespace SkinUI
