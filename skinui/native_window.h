// CNativeWindow is one top-level window of the system with the Win32 message model: messages
// go to HandleMessage by their Win32 numbers, PostMessage queues one from any thread,
// SendMessage delivers one at once, timers arrive as WM_TIMER, WM_CLOSE destroys the window
// unless a handler keeps it, and ShowModal runs the message loop until the window is gone.
// On Linux the GTK main loop drains the queue; the window is undecorated and its whole area is
// the client area.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "skinui/geometry.h"
#include "skinui/messages.h"

namespace SkinUI {

class IRenderer;

/// Window styles the toolkit reads; the values are those of Win32.
enum : std::uint32_t {
  kWsVisible = 0x10000000u,
  kWsCaption = 0x00C00000u,
  kWsPopup = 0x80000000u,
  kWsClipSiblings = 0x04000000u,
  kWsClipChildren = 0x02000000u,
  kWsSysMenu = 0x00080000u,
};

class CNativeWindow {
 public:
  CNativeWindow();
  virtual ~CNativeWindow();
  CNativeWindow(const CNativeWindow&) = delete;
  CNativeWindow& operator=(const CNativeWindow&) = delete;

  /// The system's window (a GtkWidget* here), for code that hands it to the system; null
  /// before Create and after the window is destroyed.
  void* GetHWND() const;
  bool IsWindow() const;

  /// Creates the window and sends it WM_CREATE. False when there is no display.
  bool Create(CNativeWindow* parent, const std::wstring& title, std::uint32_t style,
              std::uint32_t ex_style);
  /// The class name the window registers under; a window is known by it to the system.
  virtual std::wstring GetWindowClassName() const = 0;

  /// Receives every message. The base gives them to DefWindowProc.
  virtual LResult HandleMessage(MessageId msg, WParam wparam, LParam lparam);
  /// What the system does with a message nobody handled: WM_CLOSE destroys the window,
  /// WM_SYSCOMMAND minimises, maximises, restores or closes, Alt+F4 becomes SC_CLOSE.
  LResult DefWindowProc(MessageId msg, WParam wparam, LParam lparam);
  /// Offered every keyboard message before it is dispatched; true consumes it.
  virtual bool PreTranslateMessage(MessageId msg, WParam wparam, LParam lparam) { return false; }

  /// Queues a message for the UI thread; safe from any thread. False when the window is gone.
  bool PostMessage(MessageId msg, WParam wparam = 0, LParam lparam = 0);
  /// Delivers a message and returns its result. From another thread it waits until the UI
  /// thread has handled it (0 when the window goes first).
  LResult SendMessage(MessageId msg, WParam wparam = 0, LParam lparam = 0);
  /// Starts or restarts timer `id`: WM_TIMER with wParam `id` every `elapse_ms`.
  bool SetTimer(WParam id, unsigned elapse_ms);
  bool KillTimer(WParam id);

  void ShowWindow(bool show = true);
  /// Shows the window and runs the message loop until the window is destroyed or
  /// PostQuitMessage is called; returns the quit code (0 when the window just went).
  int ShowModal();
  /// Posts WM_CLOSE with `code` in wParam.
  void Close(WParam code = 0);
  /// Destroys the window now: WM_DESTROY, then the window goes and its timers stop.
  void DestroyWindow();

  void SetTitle(const std::wstring& title);
  std::wstring GetTitle() const;
  /// Sets the window's icons from icon resource `resource_id` of the program.
  bool SetIcon(int resource_id);
  /// Centres the window on the work area of the monitor nearest to it, kept inside it; only
  /// the position changes.
  void CenterWindow();
  /// Makes the client area `size` pixels, keeping the window's position. WM_SIZE follows at
  /// once.
  void ResizeClient(const Size& size);
  Size GetClientSize() const;
  Point GetPosition() const;
  /// Converts a point on the screen to the client area.
  Point ScreenToClient(Point point) const;
  bool IsMinimized() const;
  bool IsMaximized() const;
  /// Brings the window to the front and gives it the focus (restoring it when minimised).
  void Raise();
  /// Marks a part of the client area for painting again.
  void InvalidateRect(const Rect& rect);

  /// True on the thread that created the window.
  bool IsUIThread() const;

 protected:
  /// Paints the client area; called while the system asks for it.
  virtual void PaintContent(IRenderer& renderer, const Rect& dirty) {}
  /// Called after the window is destroyed and its last message handled.
  virtual void OnFinalMessage() {}

 public:
  struct State;  // the backend's part, shared with pending callbacks

 private:
  friend struct WindowPainter;
  std::shared_ptr<State> state_;
};

/// Ends the innermost running message loop (ShowModal) with `code`; any thread.
void PostQuitMessage(int code);

}  // namespace SkinUI
