// CSkinBuilder turns a skin file into a window: the Window element's attributes (size,
// sizebox, caption), its font table and its control tree, with Include elements resolved
// inside the same skin. Every element and attribute goes through the control registry; one
// it does not know, or a value it cannot read, stops the build with "file:line: message".
#pragma once

#include <string>

namespace SkinUI {

class CPaintManager;
class ISkinSource;
class ISkinBuilderCallback;

class CSkinBuilder {
 public:
  /// `callback` may supply control classes of its own; it may be null.
  CSkinBuilder(const ISkinSource& source, ISkinBuilderCallback* callback);

  /// Builds `file` into `manager`, which is left as it was when the build fails.
  bool Build(const std::wstring& file, CPaintManager& manager, std::string& error);

 private:
  const ISkinSource& source_;
  ISkinBuilderCallback* callback_;
};

}  // namespace SkinUI
