// CPaintManager holds one window's control tree and everything the controls share: the skin's
// files and pictures, its font table, the window attributes (size, sizebox, caption), the focus,
// hover and pressed controls, and the notification listeners. It knows no window system: the
// native window feeds it Win32-numbered messages and asks it to paint into an IRenderer, which
// is also how offscreen rendering and the tests drive it.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "skinui/control.h"
#include "skinui/event.h"
#include "skinui/geometry.h"
#include "skinui/messages.h"
#include "skinui/notify.h"
#include "skinui/render.h"

namespace SkinUI {

class CControl;
class ISkinSource;

/// What the manager asks of the window that shows it.
class IPaintHost {
 public:
  virtual ~IPaintHost() = default;
  /// The rectangle must be painted again.
  virtual void InvalidateRect(const Rect& rect) = 0;
};

class CPaintManager {
 public:
  CPaintManager();
  ~CPaintManager();
  CPaintManager(const CPaintManager&) = delete;
  CPaintManager& operator=(const CPaintManager&) = delete;

  /// The folder the program keeps its files in; process-wide, set before windows are made.
  static void SetResourcePath(const std::wstring& path);
  static const std::wstring& GetResourcePath();

  void SetHost(IPaintHost* host) { host_ = host; }
  /// The skin the pictures come from; shared with the builder.
  void SetSource(std::shared_ptr<const ISkinSource> source) { source_ = std::move(source); }
  const ISkinSource* GetSource() const { return source_.get(); }

  /// Takes the control tree (or removes it with null) and lays it out at the client size.
  void AttachRoot(std::unique_ptr<CControl> root);
  CControl* GetRoot() const { return root_.get(); }

  // The window attributes of the skin.
  const Size& GetInitialSize() const { return initial_size_; }
  void SetInitialSize(const Size& size) { initial_size_ = size; }
  const Rect& GetSizeBox() const { return size_box_; }
  void SetSizeBox(const Rect& box) { size_box_ = box; }
  /// left and right are distances from the two sides, top and bottom from the top.
  const Rect& GetCaption() const { return caption_; }
  void SetCaption(const Rect& caption) { caption_ = caption; }
  void AddFont(int id, const FontSpec& font) { fonts_[id] = font; }
  bool HasFont(int id) const { return fonts_.count(id) != 0; }
  /// The font with `id`, or the default font for -1 or an id the table lacks.
  const FontSpec& GetFont(int id) const;

  // Layout.
  void SetClientSize(const Size& size);
  const Size& GetClientSize() const { return client_size_; }
  void NeedLayout() { need_layout_ = true; }
  /// Lays the tree out again when something changed since the last time.
  void EnsureLayout();

  // Finding controls.
  CControl* FindControl(const std::wstring& name);
  CControl* FindSubControl(CControl* parent, const std::wstring& name);
  /// The deepest visible control at `point`.
  CControl* FindControlAt(Point point);

  // Focus and input state.
  CControl* GetFocus() const { return focus_; }
  void SetFocus(CControl* control);
  CControl* GetHover() const { return hover_; }
  /// Moves the focus to the next (or previous) focusable, visible, enabled control.
  void MoveFocus(bool forward);
  /// Forgets a control that is leaving the tree.
  void ReapControl(CControl* control);

  // Notifications. Listeners hear them in the order they were added.
  void AddNotifier(INotifyListener* listener);
  void RemoveNotifier(INotifyListener* listener);
  void SendNotify(CControl* sender, const std::wstring& type, WParam wparam = 0, LParam lparam = 0);
  void AddMessageFilter(IMessageFilter* filter);
  void RemoveMessageFilter(IMessageFilter* filter);

  /// Offers a keyboard message to the filters first; true when one consumed it.
  bool PreMessageHandler(MessageId msg, WParam wparam, LParam lparam, LResult& result);
  /// Handles the input and size messages (WM_MOUSEMOVE, WM_LBUTTONDOWN/UP/DBLCLK,
  /// WM_MOUSELEAVE, WM_KEYDOWN, WM_CHAR, WM_SIZE, WM_KILLFOCUS); false for any other.
  bool MessageHandler(MessageId msg, WParam wparam, LParam lparam, LResult& result);
  /// WM_NCHITTEST: the sizebox edges (unless maximised), then the caption area except over
  /// controls that take the mouse press, else the client area.
  LResult HitTest(Point point, bool maximized);

  // Painting.
  void Paint(IRenderer& renderer, const Rect& dirty);
  void Invalidate(const Rect& rect);
  void Invalidate();
  /// A picture of the skin (or an absolute path on disk), decoded once; null when missing.
  std::shared_ptr<IImage> GetImage(IRenderer& renderer, const std::wstring& file);

 private:
  void SetHover(CControl* control, Point point);
  void SendEvent(CControl* control, EventType type, Point point, WParam key = 0,
                 wchar_t character = 0);

  IPaintHost* host_ = nullptr;
  std::shared_ptr<const ISkinSource> source_;
  std::unique_ptr<CControl> root_;
  Size initial_size_;
  Rect size_box_;
  Rect caption_;
  std::map<int, FontSpec> fonts_;
  FontSpec default_font_;
  Size client_size_;
  bool need_layout_ = true;
  CControl* focus_ = nullptr;
  CControl* hover_ = nullptr;
  CControl* pressed_ = nullptr;
  std::vector<INotifyListener*> notifiers_;
  std::vector<IMessageFilter*> filters_;
  std::map<std::wstring, std::shared_ptr<IImage>> images_;
};

}  // namespace SkinUI
