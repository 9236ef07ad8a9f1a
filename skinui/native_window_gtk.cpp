// The GTK 3 backend of CNativeWindow: a GtkWindow without decorations whose events become
// Win32-numbered messages, a message queue drained by the GLib main loop, GLib timeouts as
// window timers and nested main loops as modal loops.
#include <gtk/gtk.h>

#include <deque>
#include <future>
#include <map>
#include <mutex>
#include <vector>

#include "platform/resources.h"
#include "platform/text.h"
#include "skinui/native_window.h"
#include "skinui/render_cairo.h"

namespace SkinUI {
namespace {

struct QueuedMessage {
  MessageId msg = 0;
  WParam wparam = 0;
  LParam lparam = 0;
  std::shared_ptr<std::promise<LResult>> reply;  // set for a message sent from another thread
};

bool EnsureGtk() {
  static const bool ready = gtk_init_check(nullptr, nullptr) == TRUE;
  return ready;
}

// The running modal loops, innermost last; touched on the UI thread only.
std::vector<GMainLoop*>& ModalLoops() {
  static std::vector<GMainLoop*> loops;
  return loops;
}
int g_quit_code = 0;

WParam VirtualKeyOf(guint keyval) {
  switch (keyval) {
    case GDK_KEY_BackSpace:
      return kVkBack;
    case GDK_KEY_Tab:
    case GDK_KEY_ISO_Left_Tab:
      return kVkTab;
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter:
      return kVkReturn;
    case GDK_KEY_Escape:
      return kVkEscape;
    case GDK_KEY_space:
      return kVkSpace;
    case GDK_KEY_End:
    case GDK_KEY_KP_End:
      return kVkEnd;
    case GDK_KEY_Home:
    case GDK_KEY_KP_Home:
      return kVkHome;
    case GDK_KEY_Left:
    case GDK_KEY_KP_Left:
      return kVkLeft;
    case GDK_KEY_Up:
    case GDK_KEY_KP_Up:
      return kVkUp;
    case GDK_KEY_Right:
    case GDK_KEY_KP_Right:
      return kVkRight;
    case GDK_KEY_Down:
    case GDK_KEY_KP_Down:
      return kVkDown;
    case GDK_KEY_Delete:
    case GDK_KEY_KP_Delete:
      return kVkDelete;
    case GDK_KEY_F4:
      return kVkF4;
    default:
      break;
  }
  const guint upper = gdk_keyval_to_upper(keyval);
  if ((upper >= 'A' && upper <= 'Z') || (upper >= '0' && upper <= '9')) return upper;
  return 0;
}

}  // namespace

struct CNativeWindow::State {
  CNativeWindow* owner = nullptr;  // null once the window is destroyed
  GtkWidget* widget = nullptr;
  std::thread::id ui_thread = std::this_thread::get_id();
  Size client_size;
  bool minimized = false;
  bool maximized = false;
  bool destroying = false;
  GMainLoop* modal_loop = nullptr;
  std::map<WParam, guint> timers;

  std::mutex queue_lock;  // guards queue, alive and scheduled
  std::deque<QueuedMessage> queue;
  bool alive = false;
  bool scheduled = false;
};

namespace {

using StatePtr = std::shared_ptr<CNativeWindow::State>;

void DeleteStateRef(gpointer data) { delete static_cast<StatePtr*>(data); }

gboolean DeliverOne(gpointer data);

// Called with queue_lock held. Each idle callback delivers one message and schedules the next
// before delivering, so that a handler running a nested loop (a message box) does not hold up
// the messages behind it.
void ScheduleDelivery(const StatePtr& state) {
  state->scheduled = true;
  g_idle_add_full(G_PRIORITY_DEFAULT, DeliverOne, new StatePtr(state), DeleteStateRef);
}

gboolean DeliverOne(gpointer data) {
  const StatePtr state = *static_cast<StatePtr*>(data);
  QueuedMessage message;
  bool have = false;
  {
    std::lock_guard<std::mutex> lock(state->queue_lock);
    if (!state->queue.empty()) {
      message = state->queue.front();
      state->queue.pop_front();
      have = true;
    }
    if (!state->queue.empty() && state->alive) {
      ScheduleDelivery(state);
    } else {
      state->scheduled = false;
    }
  }
  if (have) {
    LResult result = 0;
    if (state->owner)
      result = state->owner->HandleMessage(message.msg, message.wparam, message.lparam);
    if (message.reply) message.reply->set_value(result);
  }
  return G_SOURCE_REMOVE;
}

gboolean ShowWhenIdle(gpointer data) {
  const StatePtr state = *static_cast<StatePtr*>(data);
  if (state->widget && !state->destroying) gtk_widget_show(state->widget);
  return G_SOURCE_REMOVE;
}

struct TimerData {
  StatePtr state;
  WParam id;
};

gboolean TimerTick(gpointer data) {
  auto* timer = static_cast<TimerData*>(data);
  const StatePtr state = timer->state;
  if (!state->owner) return G_SOURCE_REMOVE;
  state->owner->HandleMessage(kWmTimer, timer->id, 0);
  return G_SOURCE_CONTINUE;
}

void DeleteTimer(gpointer data) { delete static_cast<TimerData*>(data); }

CNativeWindow* OwnerOf(gpointer data) { return static_cast<CNativeWindow::State*>(data)->owner; }

LParam PointOf(double x, double y) {
  return MakePointParam(static_cast<int>(x), static_cast<int>(y));
}

gboolean OnConfigure(GtkWidget*, GdkEventConfigure* event, gpointer data) {
  auto* state = static_cast<CNativeWindow::State*>(data);
  const Size size{event->width, event->height};
  if (state->owner && size != state->client_size) {
    state->client_size = size;
    state->owner->SendMessage(kWmSize, 0, MakePointParam(size.cx, size.cy));
  }
  return FALSE;
}

gboolean OnWindowState(GtkWidget*, GdkEventWindowState* event, gpointer data) {
  auto* state = static_cast<CNativeWindow::State*>(data);
  state->minimized = (event->new_window_state & GDK_WINDOW_STATE_ICONIFIED) != 0;
  state->maximized = (event->new_window_state & GDK_WINDOW_STATE_MAXIMIZED) != 0;
  return FALSE;
}

gboolean OnMotion(GtkWidget*, GdkEventMotion* event, gpointer data) {
  if (CNativeWindow* owner = OwnerOf(data)) {
    owner->SendMessage(kWmMouseMove, 0, PointOf(event->x, event->y));
  }
  return TRUE;
}

gboolean OnLeave(GtkWidget*, GdkEventCrossing* event, gpointer data) {
  // Leaving for a child window or during a grab is not leaving the client area.
  if (event->detail == GDK_NOTIFY_INFERIOR) return FALSE;
  if (CNativeWindow* owner = OwnerOf(data)) owner->SendMessage(kWmMouseLeave, 0, 0);
  return FALSE;
}

GdkWindowEdge EdgeOf(LResult hit) {
  switch (hit) {
    case kHtLeft:
      return GDK_WINDOW_EDGE_WEST;
    case kHtRight:
      return GDK_WINDOW_EDGE_EAST;
    case kHtTop:
      return GDK_WINDOW_EDGE_NORTH;
    case kHtBottom:
      return GDK_WINDOW_EDGE_SOUTH;
    case kHtTopLeft:
      return GDK_WINDOW_EDGE_NORTH_WEST;
    case kHtTopRight:
      return GDK_WINDOW_EDGE_NORTH_EAST;
    case kHtBottomLeft:
      return GDK_WINDOW_EDGE_SOUTH_WEST;
    default:
      return GDK_WINDOW_EDGE_SOUTH_EAST;
  }
}

gboolean OnButtonPress(GtkWidget* widget, GdkEventButton* event, gpointer data) {
  CNativeWindow* owner = OwnerOf(data);
  if (!owner || event->button != 1) return FALSE;
  if (event->type == GDK_BUTTON_PRESS) {
    const LResult hit = owner->SendMessage(kWmNcHitTest, 0, PointOf(event->x_root, event->y_root));
    if (hit == kHtCaption) {
      gtk_window_begin_move_drag(GTK_WINDOW(widget), static_cast<gint>(event->button),
                                 static_cast<gint>(event->x_root), static_cast<gint>(event->y_root),
                                 event->time);
      return TRUE;
    }
    if (hit >= kHtLeft && hit <= kHtBottomRight) {
      gtk_window_begin_resize_drag(
          GTK_WINDOW(widget), EdgeOf(hit), static_cast<gint>(event->button),
          static_cast<gint>(event->x_root), static_cast<gint>(event->y_root), event->time);
      return TRUE;
    }
    owner->SendMessage(kWmLButtonDown, 0, PointOf(event->x, event->y));
  } else if (event->type == GDK_2BUTTON_PRESS) {
    // A double click on the caption or the sizing border is the window manager's affair.
    const LResult hit = owner->SendMessage(kWmNcHitTest, 0, PointOf(event->x_root, event->y_root));
    if (hit == kHtClient) owner->SendMessage(kWmLButtonDblClk, 0, PointOf(event->x, event->y));
  }
  return TRUE;
}

gboolean OnButtonRelease(GtkWidget*, GdkEventButton* event, gpointer data) {
  CNativeWindow* owner = OwnerOf(data);
  if (!owner || event->button != 1) return FALSE;
  owner->SendMessage(kWmLButtonUp, 0, PointOf(event->x, event->y));
  return TRUE;
}

gboolean OnKeyPress(GtkWidget*, GdkEventKey* event, gpointer data) {
  CNativeWindow* owner = OwnerOf(data);
  if (!owner) return FALSE;
  const WParam key = VirtualKeyOf(event->keyval);
  const bool alt = (event->state & GDK_MOD1_MASK) != 0;
  const MessageId down = alt ? kWmSysKeyDown : kWmKeyDown;
  if (key != 0 && !owner->PreTranslateMessage(down, key, 0)) {
    owner->SendMessage(down, key, 0);
  }
  // Typed characters follow as WM_CHAR, as TranslateMessage makes them.
  const gunichar character = gdk_keyval_to_unicode(event->keyval);
  if (!alt && !(event->state & GDK_CONTROL_MASK) && character >= 0x20 && character != 0x7F &&
      owner->IsWindow() && !owner->PreTranslateMessage(kWmChar, character, 0)) {
    owner->SendMessage(kWmChar, character, 0);
  }
  return TRUE;
}

gboolean OnFocusIn(GtkWidget*, GdkEventFocus*, gpointer data) {
  if (CNativeWindow* owner = OwnerOf(data)) owner->SendMessage(kWmSetFocus, 0, 0);
  return FALSE;
}

gboolean OnFocusOut(GtkWidget*, GdkEventFocus*, gpointer data) {
  if (CNativeWindow* owner = OwnerOf(data)) owner->SendMessage(kWmKillFocus, 0, 0);
  return FALSE;
}

// The window manager's close (Alt+F4, the window menu, the task bar) is SC_CLOSE.
gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer data) {
  if (CNativeWindow* owner = OwnerOf(data)) owner->SendMessage(kWmSysCommand, kScClose, 0);
  return TRUE;
}

}  // namespace

CNativeWindow::CNativeWindow() : state_(std::make_shared<State>()) {}

CNativeWindow::~CNativeWindow() {
  if (IsWindow()) DestroyWindow();
  state_->owner = nullptr;
}

void* CNativeWindow::GetHWND() const { return state_->widget; }

bool CNativeWindow::IsWindow() const { return state_->widget != nullptr; }

bool CNativeWindow::IsUIThread() const { return std::this_thread::get_id() == state_->ui_thread; }

// Draws through the owner's PaintContent.
struct WindowPainter {
  static gboolean Draw(GtkWidget*, cairo_t* cr, gpointer data) {
    CNativeWindow* owner = OwnerOf(data);
    if (!owner) return FALSE;
    GdkRectangle clip;
    if (!gdk_cairo_get_clip_rectangle(cr, &clip)) return TRUE;
    std::unique_ptr<IRenderer> renderer = CreateCairoRenderer(cr);
    owner->PaintContent(*renderer, {clip.x, clip.y, clip.x + clip.width, clip.y + clip.height});
    return TRUE;
  }
};

bool CNativeWindow::Create(CNativeWindow* parent, const std::wstring& title, std::uint32_t style,
                           std::uint32_t ex_style) {
  if (IsWindow() || !EnsureGtk()) return false;
  State& state = *state_;
  state.ui_thread = std::this_thread::get_id();
  state.owner = this;
  GtkWidget* widget = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  state.widget = widget;
  GtkWindow* window = GTK_WINDOW(widget);
  gtk_window_set_decorated(window, FALSE);
  gtk_window_set_resizable(window, TRUE);
  gtk_widget_set_app_paintable(widget, TRUE);
  gtk_window_set_title(window, platform::WideToUtf8(title).c_str());
  const std::string class_name = platform::WideToUtf8(GetWindowClassName());
  gtk_widget_set_name(widget, class_name.c_str());
  if (parent && parent->GetHWND()) {
    gtk_window_set_transient_for(window, GTK_WINDOW(parent->GetHWND()));
  }
  gtk_widget_add_events(widget, GDK_POINTER_MOTION_MASK | GDK_BUTTON_PRESS_MASK |
                                    GDK_BUTTON_RELEASE_MASK | GDK_LEAVE_NOTIFY_MASK |
                                    GDK_KEY_PRESS_MASK | GDK_KEY_RELEASE_MASK |
                                    GDK_FOCUS_CHANGE_MASK | GDK_STRUCTURE_MASK);
  g_signal_connect(widget, "draw", G_CALLBACK(WindowPainter::Draw), &state);
  g_signal_connect(widget, "configure-event", G_CALLBACK(OnConfigure), &state);
  g_signal_connect(widget, "window-state-event", G_CALLBACK(OnWindowState), &state);
  g_signal_connect(widget, "motion-notify-event", G_CALLBACK(OnMotion), &state);
  g_signal_connect(widget, "leave-notify-event", G_CALLBACK(OnLeave), &state);
  g_signal_connect(widget, "button-press-event", G_CALLBACK(OnButtonPress), &state);
  g_signal_connect(widget, "button-release-event", G_CALLBACK(OnButtonRelease), &state);
  g_signal_connect(widget, "key-press-event", G_CALLBACK(OnKeyPress), &state);
  g_signal_connect(widget, "focus-in-event", G_CALLBACK(OnFocusIn), &state);
  g_signal_connect(widget, "focus-out-event", G_CALLBACK(OnFocusOut), &state);
  g_signal_connect(widget, "delete-event", G_CALLBACK(OnDelete), &state);
  {
    std::lock_guard<std::mutex> lock(state.queue_lock);
    state.alive = true;
  }
  // As on Windows, -1 from WM_CREATE fails the creation.
  if (HandleMessage(kWmCreate, 0, 0) == -1) {
    if (IsWindow()) DestroyWindow();
    return false;
  }
  if (!IsWindow()) return false;
  // A visible window appears once the creator has had its say about size and position
  // (CenterWindow right after Create), so it does not jump on the screen.
  if (style & kWsVisible) {
    g_idle_add_full(G_PRIORITY_HIGH, ShowWhenIdle, new StatePtr(state_), DeleteStateRef);
  }
  return true;
}

LResult CNativeWindow::HandleMessage(MessageId msg, WParam wparam, LParam lparam) {
  return DefWindowProc(msg, wparam, lparam);
}

LResult CNativeWindow::DefWindowProc(MessageId msg, WParam wparam, LParam lparam) {
  if (!IsWindow()) return 0;
  GtkWindow* window = GTK_WINDOW(state_->widget);
  switch (msg) {
    case kWmClose:
      DestroyWindow();
      return 0;
    case kWmSysKeyDown:
      if (wparam == kVkF4) SendMessage(kWmSysCommand, kScClose, 0);
      return 0;
    case kWmSysCommand:
      switch (wparam & 0xFFF0) {
        case kScMinimize:
          gtk_window_iconify(window);
          break;
        case kScMaximize:
          gtk_window_maximize(window);
          break;
        case kScRestore:
          if (state_->minimized) {
            gtk_window_deiconify(window);
          } else {
            gtk_window_unmaximize(window);
          }
          gtk_window_present(window);
          break;
        case kScClose:
          SendMessage(kWmClose, 0, 0);
          break;
        default:
          break;
      }
      return 0;
    default:
      return 0;
  }
}

bool CNativeWindow::PostMessage(MessageId msg, WParam wparam, LParam lparam) {
  std::lock_guard<std::mutex> lock(state_->queue_lock);
  if (!state_->alive) return false;
  state_->queue.push_back({msg, wparam, lparam, nullptr});
  if (!state_->scheduled) ScheduleDelivery(state_);
  return true;
}

LResult CNativeWindow::SendMessage(MessageId msg, WParam wparam, LParam lparam) {
  if (IsUIThread()) return state_->owner ? HandleMessage(msg, wparam, lparam) : 0;
  auto reply = std::make_shared<std::promise<LResult>>();
  std::future<LResult> answer = reply->get_future();
  {
    std::lock_guard<std::mutex> lock(state_->queue_lock);
    if (!state_->alive) return 0;
    state_->queue.push_back({msg, wparam, lparam, reply});
    if (!state_->scheduled) ScheduleDelivery(state_);
  }
  return answer.get();
}

bool CNativeWindow::SetTimer(WParam id, unsigned elapse_ms) {
  if (!IsWindow()) return false;
  KillTimer(id);
  state_->timers[id] = g_timeout_add_full(G_PRIORITY_DEFAULT, elapse_ms, TimerTick,
                                          new TimerData{state_, id}, DeleteTimer);
  return true;
}

bool CNativeWindow::KillTimer(WParam id) {
  const auto found = state_->timers.find(id);
  if (found == state_->timers.end()) return false;
  g_source_remove(found->second);
  state_->timers.erase(found);
  return true;
}

void CNativeWindow::ShowWindow(bool show) {
  if (!IsWindow()) return;
  if (show) {
    gtk_widget_show(state_->widget);
  } else {
    gtk_widget_hide(state_->widget);
  }
}

int CNativeWindow::ShowModal() {
  if (!IsWindow()) return 0;
  ShowWindow(true);
  gtk_window_present(GTK_WINDOW(state_->widget));
  GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
  const StatePtr state = state_;  // the window object may go while the loop runs
  state->modal_loop = loop;
  ModalLoops().push_back(loop);
  g_quit_code = 0;
  g_main_loop_run(loop);
  ModalLoops().pop_back();
  state->modal_loop = nullptr;
  g_main_loop_unref(loop);
  return g_quit_code;
}

void CNativeWindow::Close(WParam code) { PostMessage(kWmClose, code, 0); }

void CNativeWindow::DestroyWindow() {
  if (!IsWindow() || state_->destroying) return;
  const StatePtr state = state_;
  // As on Windows, the window still exists while WM_DESTROY is handled.
  state->destroying = true;
  HandleMessage(kWmDestroy, 0, 0);
  for (const auto& timer : state->timers) g_source_remove(timer.second);
  state->timers.clear();
  std::deque<QueuedMessage> dropped;
  {
    std::lock_guard<std::mutex> lock(state->queue_lock);
    state->alive = false;
    dropped.swap(state->queue);
  }
  for (QueuedMessage& message : dropped) {
    if (message.reply) message.reply->set_value(0);
  }
  GtkWidget* widget = state->widget;
  state->widget = nullptr;
  gtk_widget_destroy(widget);
  state->destroying = false;
  if (state->modal_loop) g_main_loop_quit(state->modal_loop);
  CNativeWindow* owner = state->owner;
  state->owner = nullptr;
  if (owner) owner->OnFinalMessage();
}

void CNativeWindow::SetTitle(const std::wstring& title) {
  if (IsWindow())
    gtk_window_set_title(GTK_WINDOW(state_->widget), platform::WideToUtf8(title).c_str());
}

std::wstring CNativeWindow::GetTitle() const {
  if (!IsWindow()) return std::wstring();
  const gchar* title = gtk_window_get_title(GTK_WINDOW(state_->widget));
  return title ? platform::Utf8ToWide(title) : std::wstring();
}

bool CNativeWindow::SetIcon(int resource_id) {
  if (!IsWindow()) return false;
  const auto resource =
      platform::FindResource({platform::kResourceGroupIcon, nullptr}, resource_id);
  if (!resource) return false;
  GdkPixbufLoader* loader = gdk_pixbuf_loader_new();
  const bool loaded = gdk_pixbuf_loader_write(loader, resource->data, resource->size, nullptr) &&
                      gdk_pixbuf_loader_close(loader, nullptr);
  GdkPixbuf* picture = loaded ? gdk_pixbuf_loader_get_pixbuf(loader) : nullptr;
  if (!picture) {
    if (!loaded) gdk_pixbuf_loader_close(loader, nullptr);
    g_object_unref(loader);
    return false;
  }
  // The sizes desktops ask for, from the small title-bar icon to the task switcher's.
  GList* icons = nullptr;
  const int side = gdk_pixbuf_get_width(picture);
  for (int size : {16, 24, 32, 48, 64, 128, 256}) {
    if (size > side) break;
    icons = g_list_append(icons, gdk_pixbuf_scale_simple(picture, size, size, GDK_INTERP_HYPER));
  }
  gtk_window_set_icon_list(GTK_WINDOW(state_->widget), icons);
  g_list_free_full(icons, g_object_unref);
  g_object_unref(loader);
  return true;
}

void CNativeWindow::CenterWindow() {
  if (!IsWindow()) return;
  GtkWidget* widget = state_->widget;
  gtk_widget_realize(widget);
  GdkDisplay* display = gtk_widget_get_display(widget);
  GdkMonitor* monitor = gdk_display_get_monitor_at_window(display, gtk_widget_get_window(widget));
  if (!monitor) monitor = gdk_display_get_primary_monitor(display);
  if (!monitor) return;
  GdkRectangle area;
  gdk_monitor_get_workarea(monitor, &area);
  const Size size = GetClientSize();
  int x = area.x + (area.width - size.cx) / 2;
  int y = area.y + (area.height - size.cy) / 2;
  // Kept inside the work area; a window larger than it keeps its top left corner there.
  x = std::max(area.x, std::min(x, area.x + area.width - size.cx));
  y = std::max(area.y, std::min(y, area.y + area.height - size.cy));
  gtk_window_move(GTK_WINDOW(widget), x, y);
}

void CNativeWindow::ResizeClient(const Size& size) {
  if (!IsWindow() || size.cx <= 0 || size.cy <= 0) return;
  gtk_window_resize(GTK_WINDOW(state_->widget), size.cx, size.cy);
  if (size != state_->client_size) {
    state_->client_size = size;
    SendMessage(kWmSize, 0, MakePointParam(size.cx, size.cy));
  }
}

Size CNativeWindow::GetClientSize() const { return state_->client_size; }

Point CNativeWindow::GetPosition() const {
  Point point;
  if (IsWindow()) gtk_window_get_position(GTK_WINDOW(state_->widget), &point.x, &point.y);
  return point;
}

Point CNativeWindow::ScreenToClient(Point point) const {
  if (!IsWindow()) return point;
  GdkWindow* window = gtk_widget_get_window(state_->widget);
  if (!window) return point;
  int x = 0;
  int y = 0;
  gdk_window_get_origin(window, &x, &y);
  return {point.x - x, point.y - y};
}

bool CNativeWindow::IsMinimized() const { return state_->minimized; }
bool CNativeWindow::IsMaximized() const { return state_->maximized; }

void CNativeWindow::Raise() {
  if (!IsWindow()) return;
  if (state_->minimized) gtk_window_deiconify(GTK_WINDOW(state_->widget));
  gtk_window_present(GTK_WINDOW(state_->widget));
}

void CNativeWindow::InvalidateRect(const Rect& rect) {
  if (!IsWindow() || rect.IsEmpty()) return;
  gtk_widget_queue_draw_area(state_->widget, rect.left, rect.top, rect.Width(), rect.Height());
}

namespace {
gboolean QuitInnermostLoop(gpointer data) {
  if (!ModalLoops().empty()) {
    g_quit_code = GPOINTER_TO_INT(data);
    g_main_loop_quit(ModalLoops().back());
  }
  return G_SOURCE_REMOVE;
}
}  // namespace

void PostQuitMessage(int code) {
  g_idle_add_full(G_PRIORITY_DEFAULT, QuitInnermostLoop, GINT_TO_POINTER(code), nullptr);
}

}  // namespace SkinUI
