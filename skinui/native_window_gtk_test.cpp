// The native window under a private X server: creation, the message model, timers, keys,
// message boxes, the folder picker, the task bar signal and the skin error.
#include <gdk/gdkkeysyms.h>
#include <gtk/gtk.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/text.h"
#include "skinui/button.h"
#include "skinui/folder_picker.h"
#include "skinui/message_box.h"
#include "skinui/taskbar_progress.h"
#include "skinui/window_base.h"
#include "skinui/xvfb_test_support.h"
#include "tests/support/temp_folder.h"

namespace SkinUI {
namespace {

const auto* const kXvfb = ::testing::AddGlobalTestEnvironment(new XvfbEnvironment);

constexpr MessageId kWmCount = kWmUser + 1;
constexpr MessageId kWmAnswer = kWmUser + 2;

class TestWindow : public SkinWindowBase {
 public:
  explicit TestWindow(std::wstring file = L"window.xml") : file_(std::move(file)) {}

  std::wstring GetWindowClassName() const override { return L"SkinMainFrame"; }
  std::wstring GetSkinFolder() override { return L""; }
  std::wstring GetSkinFile() override { return file_; }
  SkinResourceKind GetResourceType() const override { return SkinResourceKind::kZipResource; }
  int GetResourceID() const override { return 104; }
  void InitWindow() override {
    initialised = true;
    icon_set = SetIcon(101);
  }
  LResult OnClose(MessageId, WParam wparam, LParam, bool& handled) override {
    close_requests.push_back(static_cast<int>(wparam));
    handled = keep_open;
    return 0;
  }
  LResult OnDestroy(MessageId, WParam, LParam, bool&) override {
    destroyed = true;
    return 0;
  }
  LResult HandleCustomMessage(MessageId msg, WParam wparam, LParam, bool& handled) override {
    if (msg == kWmTimer) {
      ++ticks;
      handled = true;
    } else if (msg == kWmCount) {
      if (std::this_thread::get_id() != ui_thread) ++wrong_thread;
      if (static_cast<int>(wparam) != counted) ++out_of_order;
      ++counted;
      handled = true;
    } else if (msg == kWmAnswer) {
      handled = true;
      return static_cast<LResult>(wparam * 2);
    } else if (msg == kWmSysCommand) {
      system_commands.push_back(wparam);  // not handled: the system's handling follows
    }
    return 0;
  }
  void Notify(TNotify& msg) override {
    heard.push_back("hook " + Describe(msg));
    SkinWindowBase::Notify(msg);
  }
  void OnClick(TNotify& msg) override { heard.push_back("click " + Describe(msg)); }
  void DeclareMessageMap() override {
    SkinWindowBase::DeclareMessageMap();
    OnNotify(kNotifySelectChanged, L"chk_agree",
             [this](TNotify& msg) { heard.push_back("map " + Describe(msg)); });
  }
  static std::string Describe(const TNotify& msg) {
    return platform::WideToUtf8(msg.type) + " " +
           (msg.sender ? platform::WideToUtf8(msg.sender->GetName()) : std::string());
  }
  void PaintContent(IRenderer& renderer, const Rect& dirty) override {
    ++paints;
    SkinWindowBase::PaintContent(renderer, dirty);
  }

  bool keep_open = true;
  bool initialised = false;
  bool icon_set = false;
  bool destroyed = false;
  std::vector<int> close_requests;
  std::vector<WParam> system_commands;
  std::vector<std::string> heard;
  int ticks = 0;
  int counted = 0;
  int wrong_thread = 0;
  int out_of_order = 0;
  int paints = 0;
  std::thread::id ui_thread = std::this_thread::get_id();

 private:
  std::wstring file_;
};

constexpr std::uint32_t kInstallerStyle = 0x96C80000u;

GtkWindow* Gtk(CNativeWindow& window) { return GTK_WINDOW(window.GetHWND()); }

void ShowAndWait(TestWindow& window) {
  window.CenterWindow();
  window.ShowWindow(true);
  ASSERT_TRUE(RunUntil([&] {
    GdkWindow* gdk = gtk_widget_get_window(GTK_WIDGET(Gtk(window)));
    return gdk && gdk_window_is_viewable(gdk) && window.paints > 0;
  }));
}

void PressKey(GdkWindow* target, guint keyval, GdkModifierType modifiers = GdkModifierType(0)) {
  gdk_test_simulate_key(target, -1, -1, keyval, modifiers, GDK_KEY_PRESS);
  gdk_test_simulate_key(target, -1, -1, keyval, modifiers, GDK_KEY_RELEASE);
}

void ClickControl(TestWindow& window, const wchar_t* name) {
  window.GetPaintManager().EnsureLayout();
  const Rect pos = window.FindControl(name)->GetPos();
  const LParam centre = MakePointParam((pos.left + pos.right) / 2, (pos.top + pos.bottom) / 2);
  window.SendMessage(kWmMouseMove, 0, centre);
  window.SendMessage(kWmLButtonDown, 0, centre);
  window.SendMessage(kWmLButtonUp, 0, centre);
}

TEST(SkinWindow, AppearsCentredWithTheSkinSizeTitleAndIcon) {
  TestWindow window;
  ASSERT_TRUE(window.Create(nullptr, L"Kelvane Wayvo Setup", kInstallerStyle & ~kWsVisible, 0));
  EXPECT_TRUE(window.initialised);
  EXPECT_TRUE(window.icon_set);
  ShowAndWait(window);
  GdkWindow* gdk = gtk_widget_get_window(GTK_WIDGET(Gtk(window)));
  EXPECT_EQ(gdk_window_get_width(gdk), 650);
  EXPECT_EQ(gdk_window_get_height(gdk), 360);
  EXPECT_EQ(window.GetTitle(), L"Kelvane Wayvo Setup");
  EXPECT_FALSE(gtk_window_get_decorated(Gtk(window)));
  GList* icons = gtk_window_get_icon_list(Gtk(window));
  EXPECT_GE(g_list_length(icons), 4u);
  g_list_free(icons);
  int x = 0;
  int y = 0;
  gdk_window_get_origin(gdk, &x, &y);
  EXPECT_EQ(x, (XvfbEnvironment::Width() - 650) / 2);
  EXPECT_EQ(y, (XvfbEnvironment::Height() - 360) / 2);

  // What is on the screen is the skin: the Install button's blue.
  CControl* install = window.FindControl(L"btn_install");
  GdkPixbuf* pixel = gdk_pixbuf_get_from_window(gdk, install->GetPos().left + 12,
                                                install->GetPos().top + 12, 1, 1);
  ASSERT_NE(pixel, nullptr);
  const guchar* rgb = gdk_pixbuf_get_pixels(pixel);
  EXPECT_LT(rgb[0], 0x80);
  EXPECT_GT(rgb[2], 0xC0);
  g_object_unref(pixel);

  // Growing the client area keeps the window where it is.
  window.ResizeClient({650, 435});
  EXPECT_EQ(window.GetPaintManager().GetClientSize(), (Size{650, 435})) << "laid out at once";
  ASSERT_TRUE(RunUntil([&] { return gdk_window_get_height(gdk) == 435; }));
  int x2 = 0;
  int y2 = 0;
  gdk_window_get_origin(gdk, &x2, &y2);
  EXPECT_EQ(x2, x);
  EXPECT_EQ(y2, y);
  window.keep_open = false;
  window.Close(1000);
  ASSERT_TRUE(RunUntil([&] { return !window.IsWindow(); }));
  EXPECT_TRUE(window.destroyed);
  EXPECT_FALSE(window.PostMessage(kWmCount)) << "a destroyed window takes no messages";
}

TEST(SkinWindow, MessagesFromWorkersArriveInOrderOnTheUIThread) {
  TestWindow window;
  ASSERT_TRUE(window.Create(nullptr, L"t", kInstallerStyle, 0));
  constexpr int kCount = 200;
  std::atomic<LResult> answer{0};
  std::thread worker([&] {
    for (int i = 0; i < kCount; ++i) window.PostMessage(kWmCount, static_cast<WParam>(i), 0);
    answer = window.SendMessage(kWmAnswer, 21, 0);
  });
  ASSERT_TRUE(RunUntil([&] { return window.counted == kCount && answer != 0; }));
  worker.join();
  EXPECT_EQ(window.wrong_thread, 0);
  EXPECT_EQ(window.out_of_order, 0);
  EXPECT_EQ(answer, 42) << "a message sent from a worker returns the handler's result";
}

TEST(SkinWindow, TimerTicksUntilKilled) {
  TestWindow window;
  ASSERT_TRUE(window.Create(nullptr, L"t", kInstallerStyle, 0));
  ASSERT_TRUE(window.SetTimer(12, 20));
  ASSERT_TRUE(RunUntil([&] { return window.ticks >= 3; }));
  EXPECT_TRUE(window.KillTimer(12));
  const int ticks = window.ticks;
  RunUntil([] { return false; }, 150);
  EXPECT_EQ(window.ticks, ticks);
  EXPECT_FALSE(window.KillTimer(12));
}

TEST(SkinWindow, EscapeCloseButtonAndAltF4ReachTheCloseHandler) {
  TestWindow window;
  ASSERT_TRUE(window.Create(nullptr, L"t", kInstallerStyle, 0));
  ShowAndWait(window);
  GdkWindow* gdk = gtk_widget_get_window(GTK_WIDGET(Gtk(window)));

  PressKey(gdk, GDK_KEY_Escape);
  ASSERT_TRUE(RunUntil([&] { return window.close_requests.size() == 1; }));
  EXPECT_EQ(window.close_requests.back(), 1);

  PressKey(gdk, GDK_KEY_F4, GDK_MOD1_MASK);
  ASSERT_TRUE(RunUntil([&] { return window.close_requests.size() == 2; }));
  EXPECT_EQ(window.close_requests.back(), 0);

  // The window manager's close arrives as a delete event.
  GdkEvent* close = gdk_event_new(GDK_DELETE);
  close->any.window = GDK_WINDOW(g_object_ref(gdk));
  gtk_main_do_event(close);
  gdk_event_free(close);
  ASSERT_EQ(window.close_requests.size(), 3u);
  EXPECT_EQ(window.close_requests.back(), 0);

  ClickControl(window, L"closebtn");
  ASSERT_TRUE(RunUntil([&] { return window.close_requests.size() == 4; }));
  EXPECT_EQ(window.close_requests.back(), 1);
  EXPECT_TRUE(window.IsWindow()) << "the handler kept the window every time";

  // Enter goes to the focused control: the close button, which it presses; without a focused
  // control it does nothing.
  PressKey(gdk, GDK_KEY_Return);
  ASSERT_TRUE(RunUntil([&] { return window.close_requests.size() == 5; }));
  window.GetPaintManager().SetFocus(nullptr);
  PressKey(gdk, GDK_KEY_Return);
  RunUntil([] { return false; }, 50);
  EXPECT_EQ(window.close_requests.size(), 5u) << "Enter is not a close request";
}

TEST(SkinWindow, ModalLoopRunsUntilTheWindowIsGoneOrQuitIsPosted) {
  {
    TestWindow window;
    window.keep_open = false;
    ASSERT_TRUE(window.Create(nullptr, L"t", kInstallerStyle, 0));
    window.Close(1000);
    EXPECT_EQ(window.ShowModal(), 0);
    EXPECT_FALSE(window.IsWindow());
    EXPECT_EQ(window.close_requests, (std::vector<int>{1000}));
  }
  TestWindow window;
  ASSERT_TRUE(window.Create(nullptr, L"t", kInstallerStyle, 0));
  std::thread worker([] { PostQuitMessage(7); });
  EXPECT_EQ(window.ShowModal(), 7);
  worker.join();
  EXPECT_TRUE(window.IsWindow()) << "quitting the loop leaves the window";
}

TEST(SkinWindow, NotificationsReachTheHookFirstThenTheMessageMapThenTheDefaults) {
  TestWindow window;
  ASSERT_TRUE(window.Create(nullptr, L"t", kInstallerStyle, 0));
  ClickControl(window, L"chk_agree");
  EXPECT_EQ(window.heard,
            (std::vector<std::string>{"hook setfocus chk_agree", "hook click chk_agree",
                                      "click click chk_agree", "hook selectchanged chk_agree",
                                      "map selectchanged chk_agree"}));
  window.heard.clear();
  ClickControl(window, L"chk_fold");
  EXPECT_EQ(window.heard.back(), "hook selectchanged chk_fold") << "the map names chk_agree only";

  ClickControl(window, L"minbtn");
  EXPECT_EQ(window.system_commands, (std::vector<WParam>{kScMinimize}));
  EXPECT_TRUE(window.close_requests.empty());
  ClickControl(window, L"closebtn");
  ASSERT_TRUE(RunUntil([&] { return !window.close_requests.empty(); }));
  EXPECT_EQ(window.close_requests, (std::vector<int>{1})) << "posted, not sent";
}

GtkWidget* FindDialog(GType type) {
  GtkWidget* found = nullptr;
  GList* windows = gtk_window_list_toplevels();
  for (GList* item = windows; item; item = item->next) {
    GtkWidget* widget = GTK_WIDGET(item->data);
    if (G_TYPE_CHECK_INSTANCE_TYPE(widget, type) && gtk_widget_get_mapped(widget)) found = widget;
  }
  g_list_free(windows);
  return found;
}

struct BoxScript {
  std::vector<std::pair<guint, GdkModifierType>> keys;
  std::string title;
  bool right_to_left = false;
  TestWindow* window = nullptr;
  int ticks_at_open = -1;
  int counted_at_open = -1;
  bool done = false;
};

// Waits for the box, looks at it, lets the window's timer tick and a posted message through,
// then presses the keys.
gboolean DriveBox(gpointer data) {
  auto* script = static_cast<BoxScript*>(data);
  GtkWidget* dialog = FindDialog(GTK_TYPE_MESSAGE_DIALOG);
  if (!dialog) return G_SOURCE_CONTINUE;
  if (script->ticks_at_open < 0) {
    script->title = gtk_window_get_title(GTK_WINDOW(dialog));
    script->right_to_left = gtk_widget_get_direction(dialog) == GTK_TEXT_DIR_RTL;
    script->ticks_at_open = script->window->ticks;
    script->counted_at_open = script->window->counted;
    script->window->PostMessage(kWmCount, static_cast<WParam>(script->window->counted), 0);
    return G_SOURCE_CONTINUE;
  }
  if (script->window->ticks < script->ticks_at_open + 2 ||
      script->window->counted == script->counted_at_open) {
    return G_SOURCE_CONTINUE;
  }
  for (const auto& key : script->keys)
    PressKey(gtk_widget_get_window(dialog), key.first, key.second);
  script->done = true;
  return G_SOURCE_REMOVE;
}

TEST(SkinWindow, MessageBoxReturnsTheButtonPressedWhileTheWindowRuns) {
  const GdkModifierType alt = GDK_MOD1_MASK;
  const GdkModifierType none = GdkModifierType(0);
  const struct {
    std::vector<std::pair<guint, GdkModifierType>> keys;
    unsigned type;
    int expected;
  } cases[] = {
      {{{GDK_KEY_Return, none}}, kMbOk, kIdOk},
      {{{GDK_KEY_Escape, none}}, kMbOkCancel | kMbIconWarning, kIdCancel},
      {{{GDK_KEY_Return, none}}, kMbYesNo | kMbIconQuestion, kIdYes},
      {{{GDK_KEY_n, alt}}, kMbYesNo | kMbIconQuestion, kIdNo},
      {{{GDK_KEY_n, alt}}, kMbYesNo | kMbIconQuestion | kMbRtlReading | kMbRight, kIdNo},
      {{{GDK_KEY_i, alt}}, kMbAbortRetryIgnore | kMbIconWarning, kIdIgnore},
      // Escape cannot close an Abort/Retry/Ignore box; the answer is the key after it.
      {{{GDK_KEY_Escape, none}, {GDK_KEY_r, alt}}, kMbAbortRetryIgnore | kMbIconWarning, kIdRetry},
  };
  TestWindow window;
  ASSERT_TRUE(window.Create(nullptr, L"t", kInstallerStyle, 0));
  ShowAndWait(window);
  window.SetTimer(11, 15);
  for (const auto& c : cases) {
    BoxScript script;
    script.keys = c.keys;
    script.window = &window;
    g_timeout_add(20, DriveBox, &script);
    const int answer =
        MessageBox(&window, L"Are you sure you want to quit?", L"Kelvane Wayvo Setup", c.type);
    ASSERT_TRUE(script.done) << "type " << c.type;
    EXPECT_EQ(answer, c.expected) << "type " << c.type;
    EXPECT_EQ(script.title, "Kelvane Wayvo Setup");
    EXPECT_EQ(script.right_to_left, (c.type & kMbRtlReading) != 0);
    EXPECT_GE(window.ticks, script.ticks_at_open + 2) << "timers tick while the box is open";
    EXPECT_GT(window.counted, script.counted_at_open) << "posted messages arrive meanwhile";
  }
}

struct PickerScript {
  std::string title;
  guint key = 0;
  GdkModifierType modifiers = GdkModifierType(0);
  std::string folder;
  bool done = false;
};

gboolean DrivePicker(gpointer data) {
  auto* script = static_cast<PickerScript*>(data);
  GtkWidget* dialog = FindDialog(GTK_TYPE_FILE_CHOOSER_DIALOG);
  if (!dialog) return G_SOURCE_CONTINUE;
  if (script->title.empty()) {
    script->title = gtk_window_get_title(GTK_WINDOW(dialog));
    if (!script->folder.empty()) {
      gtk_file_chooser_set_current_folder(GTK_FILE_CHOOSER(dialog), script->folder.c_str());
    }
    return G_SOURCE_CONTINUE;
  }
  PressKey(gtk_widget_get_window(dialog), script->key, script->modifiers);
  script->done = true;
  return G_SOURCE_REMOVE;
}

TEST(SkinWindow, FolderPickerGivesThePathOrNothing) {
  TestWindow window;
  ASSERT_TRUE(window.Create(nullptr, L"t", kInstallerStyle, 0));
  PickerScript cancel;
  cancel.key = GDK_KEY_Escape;
  g_timeout_add(50, DrivePicker, &cancel);
  EXPECT_FALSE(PickFolder(&window, L"Select a location to install the program"));
  EXPECT_TRUE(cancel.done);
  EXPECT_EQ(cancel.title, "Select a location to install the program");

  kvtest::TempFolder folder;
  PickerScript pick;
  pick.folder = folder.path().string();
  pick.key = GDK_KEY_s;
  pick.modifiers = GDK_MOD1_MASK;
  g_timeout_add(50, DrivePicker, &pick);
  const auto chosen = PickFolder(&window, L"Pick");
  ASSERT_TRUE(chosen);
  EXPECT_EQ(platform::WideToUtf8(*chosen), folder.path().string());
}

TEST(SkinWindow, TaskbarProgressIsSentAsTheLauncherEntrySignal) {
  // A private session bus, so that the signal can be heard.
  int pipe_fds[2];
  ASSERT_EQ(pipe(pipe_fds), 0);
  const pid_t bus = fork();
  if (bus == 0) {
    dup2(pipe_fds[1], 1);
    close(pipe_fds[0]);
    execlp("dbus-daemon", "dbus-daemon", "--session", "--nofork", "--print-address",
           static_cast<char*>(nullptr));
    _exit(127);
  }
  close(pipe_fds[1]);
  std::string address;
  char c = 0;
  while (read(pipe_fds[0], &c, 1) == 1 && c != '\n') address += c;
  close(pipe_fds[0]);
  if (address.empty()) {
    kill(bus, SIGTERM);
    waitpid(bus, nullptr, 0);
    GTEST_SKIP() << "no dbus-daemon";
  }
  setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
  GDBusConnection* listener = g_dbus_connection_new_for_address_sync(
      address.c_str(),
      GDBusConnectionFlags(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                           G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
      nullptr, nullptr, nullptr);
  ASSERT_NE(listener, nullptr);
  struct Heard {
    std::string uri;
    double progress = -1;
    bool visible = false;
    bool urgent = false;
    int count = 0;
  } heard;
  g_dbus_connection_signal_subscribe(
      listener, nullptr, "com.canonical.Unity.LauncherEntry", "Update", nullptr, nullptr,
      G_DBUS_SIGNAL_FLAGS_NONE,
      [](GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
         GVariant* parameters, gpointer data) {
        auto* heard = static_cast<Heard*>(data);
        const gchar* uri = nullptr;
        GVariant* properties = nullptr;
        g_variant_get(parameters, "(&s@a{sv})", &uri, &properties);
        heard->uri = uri;
        g_variant_lookup(properties, "progress", "d", &heard->progress);
        gboolean visible = FALSE;
        gboolean urgent = FALSE;
        g_variant_lookup(properties, "progress-visible", "b", &visible);
        g_variant_lookup(properties, "urgent", "b", &urgent);
        heard->visible = visible;
        heard->urgent = urgent;
        ++heard->count;
        g_variant_unref(properties);
      },
      &heard, nullptr);

  TestWindow window;
  ASSERT_TRUE(window.Create(nullptr, L"t", kInstallerStyle, 0));
  CTaskbarProgress taskbar;
  taskbar.SetApplicationId("kelvane_down.desktop");
  taskbar.Attach(&window);
  taskbar.SetState(kTbpfNormal);
  taskbar.SetValue(45, 100);
  ASSERT_TRUE(RunUntil([&] { return heard.count >= 3; }));
  EXPECT_EQ(heard.uri, "application://kelvane_down.desktop");
  EXPECT_DOUBLE_EQ(heard.progress, 0.45);
  EXPECT_TRUE(heard.visible);
  EXPECT_FALSE(heard.urgent);
  taskbar.SetState(kTbpfError);
  ASSERT_TRUE(RunUntil([&] { return heard.count >= 4; }));
  EXPECT_TRUE(heard.urgent);
  taskbar.SetState(kTbpfNoProgress);
  ASSERT_TRUE(RunUntil([&] { return heard.count >= 5; }));
  EXPECT_FALSE(heard.visible);
  g_object_unref(listener);
  kill(bus, SIGTERM);
  waitpid(bus, nullptr, 0);
}

gboolean AnswerSkinErrorBox(gpointer) {
  GtkWidget* dialog = FindDialog(GTK_TYPE_MESSAGE_DIALOG);
  if (!dialog) return G_SOURCE_CONTINUE;
  gchar* text = nullptr;
  g_object_get(dialog, "text", &text, nullptr);
  const std::string expected = platform::WideToUtf8(kSkinErrorText);
  std::fprintf(stderr, "box title=%s text=%s\n", gtk_window_get_title(GTK_WINDOW(dialog)),
               text && expected == text ? "right" : "wrong");
  g_free(text);
  PressKey(gtk_widget_get_window(dialog), GDK_KEY_Return);
  return G_SOURCE_REMOVE;
}

// Death tests run before the other tests, while this process has no display connection yet,
// so the child can be forked.
TEST(SkinWindowDeathTest, MalformedSkinShowsTheBoxAndExitsWithOne) {
  GTEST_FLAG_SET(death_test_style, "fast");
  EXPECT_EXIT(
      {
        g_timeout_add(50, AnswerSkinErrorBox, nullptr);
        TestWindow window(L"no_such_skin.xml");
        window.Create(nullptr, L"t", kInstallerStyle, 0);
        std::exit(0);
      },
      ::testing::ExitedWithCode(1), "box title=SkinUI text=right");
}

}  // namespace
}  // namespace SkinUI
