// SkinWindowBase is the base of a skinned window: a native window whose content is the control
// tree of a skin, with the message map of its notifications, the keyboard filter and the
// builder callback. A window names its class, its skin and where the skin comes from, and gets
// a call once the skin is attached; it answers clicks, WM_CLOSE, WM_DESTROY and its own
// messages (WM_TIMER among them).
#pragma once

#include <string>

#include "skinui/native_window.h"
#include "skinui/notify.h"
#include "skinui/notify_dispatcher.h"
#include "skinui/paint_manager.h"

namespace SkinUI {

/// Where a window's skin comes from.
enum class SkinResourceKind {
  kFolder,       // files below the resource path + skin folder
  kZipFile,      // the archive file resource path + skin folder
  kZipResource,  // the program's resource of type "ZIPRES" with the window's resource id
};

/// The text and title of the box shown when a skin cannot be built.
inline constexpr const wchar_t* kSkinErrorText =
    L"\u52A0\u8F7D\u8D44\u6E90\u6587\u4EF6\u5931\u8D25";
inline constexpr const wchar_t* kSkinErrorTitle = L"SkinUI";

class SkinWindowBase : public CNativeWindow,
                       public CNotifyDispatcher,
                       public INotifyListener,
                       public IMessageFilter,
                       public ISkinBuilderCallback {
 public:
  SkinWindowBase();
  ~SkinWindowBase() override;

  std::wstring GetWindowClassName() const override = 0;
  /// Called once on the UI thread after the skin is attached and the window listens to its
  /// controls.
  virtual void InitWindow() {}
  /// The message map's target for "click" notifications.
  virtual void OnClick(TNotify& msg) {}
  virtual std::wstring GetSkinFolder() = 0;
  virtual std::wstring GetSkinFile() = 0;
  virtual SkinResourceKind GetResourceType() const { return SkinResourceKind::kFolder; }
  /// The id of the skin resource for kZipResource.
  virtual int GetResourceID() const { return 0; }
  /// WM_CLOSE; wParam tells who asks. Setting `handled` keeps the window.
  virtual LResult OnClose(MessageId msg, WParam wparam, LParam lparam, bool& handled) { return 0; }
  virtual LResult OnDestroy(MessageId msg, WParam wparam, LParam lparam, bool& handled) {
    return 0;
  }
  /// Every message the toolkit does not handle itself, before the system's default handling.
  virtual LResult HandleCustomMessage(MessageId msg, WParam wparam, LParam lparam, bool& handled) {
    return 0;
  }

  /// The notification hook: sees every notification first. The base runs the message map,
  /// then the default behaviour of "click" on "closebtn", "minbtn", "maxbtn" and
  /// "restorebtn".
  void Notify(TNotify& msg) override;
  /// The keyboard filter: Escape posts WM_CLOSE with wParam 1 and is consumed; every other
  /// key goes on to the focused control.
  LResult MessageFilter(MessageId msg, WParam wparam, LParam lparam, bool& handled) override;

  LResult HandleMessage(MessageId msg, WParam wparam, LParam lparam) override;
  bool PreTranslateMessage(MessageId msg, WParam wparam, LParam lparam) override;

  CPaintManager& GetPaintManager() { return paint_manager_; }
  CControl* FindControl(const std::wstring& name) { return paint_manager_.FindControl(name); }

 protected:
  void DeclareMessageMap() override;
  void PaintContent(IRenderer& renderer, const Rect& dirty) override;
  /// A skin that cannot be built: logs `message`, shows the skin error box without an owner
  /// and ends the process with exit code 1.
  virtual void OnSkinError(const std::string& message);

 private:
  class Host : public IPaintHost {
   public:
    explicit Host(CNativeWindow& window) : window_(window) {}
    void InvalidateRect(const Rect& rect) override { window_.InvalidateRect(rect); }

   private:
    CNativeWindow& window_;
  };

  LResult OnCreate();
  std::shared_ptr<ISkinSource> OpenSkin(std::string& error);

  CPaintManager paint_manager_;
  Host host_;
};

}  // namespace SkinUI
