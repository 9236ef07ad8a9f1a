// The one bridge from skin markup to objects: a registry of control classes, each with its
// named attribute setters. An element name or attribute the registry does not know is an error
// for the builder to report, never a guess.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "skinui/geometry.h"
#include "skinui/values.h"

namespace SkinUI {

class CControl;

/// Applies one attribute value to a control; false with a message when the value is bad.
using AttributeSetter =
    std::function<bool(CControl& control, const std::wstring& value, std::string& error)>;

/// A control class: its element name, the class it extends, how to make one, and the attributes
/// it adds to those of its base.
class ControlClass {
 public:
  ControlClass(std::wstring name, const ControlClass* base,
               std::function<std::unique_ptr<CControl>()> create);

  const std::wstring& Name() const { return name_; }
  const ControlClass* Base() const { return base_; }
  std::unique_ptr<CControl> Create() const { return create_ ? create_() : nullptr; }
  /// True when this class is `other` or extends it.
  bool IsA(const ControlClass& other) const;

  void AddAttribute(const std::wstring& name, AttributeSetter setter);
  /// The setter of `name` in this class or the nearest base; null when none has it.
  const AttributeSetter* FindAttribute(const std::wstring& name) const;

 private:
  std::wstring name_;
  const ControlClass* base_;
  std::function<std::unique_ptr<CControl>()> create_;
  std::map<std::wstring, AttributeSetter> attributes_;
};

/// The toolkit's control classes by element name.
class CControlRegistry {
 public:
  /// The registry with every built-in class: Control, Label, Text, Button, Option, CheckBox,
  /// Edit, Progress, Container, VerticalLayout, HorizontalLayout, TabLayout.
  static const CControlRegistry& BuiltIn();

  const ControlClass* Find(const std::wstring& name) const;
  std::vector<std::wstring> Names() const;

 private:
  CControlRegistry();
  std::map<std::wstring, const ControlClass*> classes_;
};

// Setters made from a control's member functions; the registry only ever calls them on
// controls of the class (or a subclass) that registered them.
template <class T>
AttributeSetter IntSetter(void (T::*set)(int)) {
  return [set](CControl& control, const std::wstring& value, std::string& error) {
    int parsed = 0;
    if (!ParseInt(value, parsed, error)) return false;
    (static_cast<T&>(control).*set)(parsed);
    return true;
  };
}
template <class T>
AttributeSetter BoolSetter(void (T::*set)(bool)) {
  return [set](CControl& control, const std::wstring& value, std::string& error) {
    bool parsed = false;
    if (!ParseBool(value, parsed, error)) return false;
    (static_cast<T&>(control).*set)(parsed);
    return true;
  };
}
template <class T>
AttributeSetter ColorSetter(void (T::*set)(Color)) {
  return [set](CControl& control, const std::wstring& value, std::string& error) {
    Color parsed = 0;
    if (!ParseColor(value, parsed, error)) return false;
    (static_cast<T&>(control).*set)(parsed);
    return true;
  };
}
template <class T>
AttributeSetter RectSetter(void (T::*set)(const Rect&)) {
  return [set](CControl& control, const std::wstring& value, std::string& error) {
    Rect parsed;
    if (!ParseRect(value, parsed, error)) return false;
    (static_cast<T&>(control).*set)(parsed);
    return true;
  };
}
template <class T>
AttributeSetter SizeSetter(void (T::*set)(const Size&)) {
  return [set](CControl& control, const std::wstring& value, std::string& error) {
    Size parsed;
    if (!ParseSize(value, parsed, error)) return false;
    (static_cast<T&>(control).*set)(parsed);
    return true;
  };
}
template <class T>
AttributeSetter TextSetter(void (T::*set)(const std::wstring&)) {
  return [set](CControl& control, const std::wstring& value, std::string&) {
    (static_cast<T&>(control).*set)(value);
    return true;
  };
}
template <class T>
AttributeSetter ImageSetter(void (T::*set)(const ImageSpec&)) {
  return [set](CControl& control, const std::wstring& value, std::string& error) {
    ImageSpec parsed;
    if (!value.empty() && !ParseImageSpec(value, parsed, error)) return false;
    (static_cast<T&>(control).*set)(parsed);
    return true;
  };
}

}  // namespace SkinUI
