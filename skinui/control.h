// CControl is the base of every control: a rectangle in the window with a name, a text, a
// background, a border, visibility, enabled state, focus and custom attributes. It paints
// itself through IRenderer and answers input events that the paint manager routes to it.
#pragma once

#include <functional>
#include <map>
#include <string>

#include "skinui/control_registry.h"
#include "skinui/event.h"
#include "skinui/geometry.h"
#include "skinui/messages.h"
#include "skinui/values.h"

namespace SkinUI {

class CContainer;
class CPaintManager;
class IRenderer;

class CControl {
 public:
  CControl();
  virtual ~CControl();
  CControl(const CControl&) = delete;
  CControl& operator=(const CControl&) = delete;

  static const ControlClass& ClassInfo();
  /// The registry entry of the object's class.
  virtual const ControlClass& GetClass() const { return ClassInfo(); }
  /// True when the control is of the class named `class_name` or one extending it.
  bool IsClass(const std::wstring& class_name) const;

  /// Applies one attribute through the class's setters; an unknown name or bad value is false
  /// with a message.
  bool SetAttribute(const std::wstring& name, const std::wstring& value, std::string& error);
  bool SetAttribute(const std::wstring& name, const std::wstring& value);

  const std::wstring& GetName() const { return name_; }
  void SetName(const std::wstring& name) { name_ = name; }
  const std::wstring& GetText() const { return text_; }
  virtual void SetText(const std::wstring& text);
  const std::wstring& GetToolTip() const { return tooltip_; }
  void SetToolTip(const std::wstring& text) { tooltip_ = text; }
  const std::wstring& GetUserData() const { return user_data_; }
  void SetUserData(const std::wstring& text) { user_data_ = text; }

  /// Named strings a program keeps on a control ("imageIndex"); empty when never set.
  void SetCustomAttribute(const std::wstring& name, const std::wstring& value);
  std::wstring GetCustomAttribute(const std::wstring& name) const;

  // Place in the tree and the window.
  CContainer* GetParent() const { return parent_; }
  void SetParent(CContainer* parent) { parent_ = parent; }
  CPaintManager* GetManager() const { return manager_; }
  virtual void SetManager(CPaintManager* manager);

  // Geometry. Fixed sizes of 0 take what the layout leaves.
  const Rect& GetPos() const { return pos_; }
  /// Places the control; containers lay out their children inside.
  virtual void SetPos(const Rect& pos);
  int GetFixedWidth() const { return fixed_size_.cx; }
  int GetFixedHeight() const { return fixed_size_.cy; }
  void SetFixedWidth(int width);
  void SetFixedHeight(int height);
  /// Space kept around the control inside its layout (left, top, right, bottom).
  const Rect& GetPadding() const { return padding_; }
  void SetPadding(const Rect& padding);
  /// A floating control is placed at `float_pos`, relative to its parent's top left corner,
  /// and takes no room in the layout.
  bool IsFloat() const { return float_; }
  void SetFloat(bool floating);
  const Rect& GetFloatPos() const { return float_pos_; }
  void SetFloatPos(const Rect& pos);

  // State.
  /// Shown, counting the ancestors: a control inside a hidden container is not visible.
  bool IsVisible() const;
  /// The control's own flag, whatever its ancestors.
  bool IsOwnVisible() const { return visible_; }
  virtual void SetVisible(bool visible);
  bool IsEnabled() const { return enabled_; }
  virtual void SetEnabled(bool enabled);
  bool IsFocused() const;
  /// Gives the control the keyboard focus (when it can take it).
  void SetFocus();
  virtual bool IsFocusable() const { return false; }
  /// True for controls that pressing the mouse on works, rather than dragging the window:
  /// pressing there in the caption area does not move the window.
  virtual bool TakesMousePress() const { return false; }

  // Looks.
  Color GetBkColor() const { return bk_color_; }
  void SetBkColor(Color color);
  const ImageSpec& GetBkImage() const { return bk_image_; }
  void SetBkImage(const ImageSpec& image);
  /// A file name in the skin or an absolute path on disk; empty removes the picture.
  void SetBkImage(const std::wstring& file);
  int GetBorderSize() const { return border_size_; }
  void SetBorderSize(int size);
  void SetBorderColor(Color color);
  void SetFocusBorderColor(Color color);
  /// Diameters of the round corners (cx, cy); 0,0 for square ones.
  void SetBorderRound(const Size& round);
  const Size& GetBorderRound() const { return border_round_; }

  /// Marks the control's rectangle for painting again.
  void Invalidate();
  /// Asks the manager to lay the window out again before the next paint or hit test.
  void NeedLayout();

  // Painting and input, called by the manager.
  virtual void DoPaint(IRenderer& renderer, const Rect& dirty);
  virtual void DoEvent(TEvent& event);
  /// The deepest visible control at `point`, or null.
  virtual CControl* FindControlAt(Point point);
  /// This control when it has `name`, else the first one inside with that name.
  virtual CControl* FindControl(const std::wstring& name);
  /// Calls `visit` for this control and every control inside it, in tree order.
  virtual void VisitTree(const std::function<void(CControl&)>& visit) { visit(*this); }

 protected:
  virtual void PaintBkColor(IRenderer& renderer);
  virtual void PaintBkImage(IRenderer& renderer);
  virtual void PaintStatusImage(IRenderer& renderer) {}
  virtual void PaintText(IRenderer& renderer) {}
  virtual void PaintBorder(IRenderer& renderer);
  /// Draws an image of the skin over the control (or over its `dest` part). Returns false when
  /// the picture cannot be found, which draws nothing.
  bool DrawImage(IRenderer& renderer, const ImageSpec& image);
  /// Sends a notification from this control through its manager.
  void SendNotify(const wchar_t* type, WParam wparam = 0, LParam lparam = 0);

 private:
  CPaintManager* manager_ = nullptr;
  CContainer* parent_ = nullptr;
  std::wstring name_;
  std::wstring text_;
  std::wstring tooltip_;
  std::wstring user_data_;
  std::map<std::wstring, std::wstring> custom_;
  Rect pos_;
  Size fixed_size_;
  Rect padding_;
  bool float_ = false;
  Rect float_pos_;
  bool visible_ = true;
  bool enabled_ = true;
  Color bk_color_ = 0;
  ImageSpec bk_image_;
  int border_size_ = 0;
  Color border_color_ = 0;
  Color focus_border_color_ = 0;
  Size border_round_;
};

}  // namespace SkinUI
