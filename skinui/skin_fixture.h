// Test helper: the shipped skin built into a paint manager, offscreen.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "skinui/archive.h"
#include "skinui/builder.h"
#include "skinui/control.h"
#include "skinui/paint_manager.h"

namespace SkinUI {

inline std::wstring ShippedSkinFolder() {
  return std::wstring(KV_SOURCE_DIR, KV_SOURCE_DIR + sizeof(KV_SOURCE_DIR) - 1) + L"/skin";
}

/// Builds `file` of the shipped skin folder; the manager is laid out at the skin's size.
class SkinFixture {
 public:
  explicit SkinFixture(const std::wstring& file) {
    std::string error;
    source_ = OpenSkinFolder(ShippedSkinFolder(), error);
    if (!source_) {
      ADD_FAILURE() << error;
      return;
    }
    manager_.SetSource(source_);
    if (!CSkinBuilder(*source_, nullptr).Build(file, manager_, error)) ADD_FAILURE() << error;
    manager_.EnsureLayout();
  }

  CPaintManager& manager() { return manager_; }
  template <class T = CControl>
  T* Find(const std::wstring& name) {
    auto* control = dynamic_cast<T*>(manager_.FindControl(name));
    if (!control) ADD_FAILURE() << "no control " << std::string(name.begin(), name.end());
    return control;
  }
  /// Shows the custom-path area and grows the window by its height, as the installer does.
  void Unfold() {
    Find(L"bottomLayout")->SetVisible(true);
    manager_.SetClientSize({650, 435});
    manager_.EnsureLayout();
  }

 private:
  std::shared_ptr<ISkinSource> source_;
  CPaintManager manager_;
};

}  // namespace SkinUI
