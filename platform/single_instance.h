// One running copy of a setup per name: the first instance claims the name, a later one asks
// the first to show its window and then leaves.
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace platform {

/// The claim of the first instance; the name stays claimed while this object lives (and the
/// system frees it when the process ends, whatever way).
class SingleInstanceClaim {
 public:
  virtual ~SingleInstanceClaim() = default;
};

/// Claims `name` for this process. When it is free, gives the claim; `on_raise_request` is then
/// called on a thread of its own each time another instance asks for the window. When another
/// process holds the name (or the claim fails), gives null after asking that process to restore
/// and raise its window.
std::unique_ptr<SingleInstanceClaim> ClaimSingleInstance(const std::wstring& name,
                                                         std::function<void()> on_raise_request);

}  // namespace platform
