// The launcher-entry signal: com.canonical.Unity.LauncherEntry.Update(app_uri, properties) on
// the session bus, with "progress" (0 to 1), "progress-visible" and "urgent".
#include <gio/gio.h>

#include <cstdlib>
#include <fstream>

#include "skinui/taskbar_progress.h"

namespace SkinUI {
namespace {

// Connecting where no session bus runs would make GLib start one through X11; that is not a
// program's business, so only an address that is already there is used.
bool SessionBusIsThere() {
  if (const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS")) return *address != '\0';
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (!runtime) return false;
  return g_file_test((std::string(runtime) + "/bus").c_str(), G_FILE_TEST_EXISTS);
}

std::string OwnProgramName() {
  std::ifstream comm("/proc/self/comm");
  std::string name;
  std::getline(comm, name);
  return name.empty() ? "kelvane_down" : name;
}

}  // namespace

struct CTaskbarProgress::Bus {
  GDBusConnection* connection = nullptr;
  ~Bus() {
    if (connection) g_object_unref(connection);
  }
};

CTaskbarProgress::CTaskbarProgress()
    : bus_(std::make_unique<Bus>()), desktop_entry_(OwnProgramName() + ".desktop") {}

CTaskbarProgress::~CTaskbarProgress() = default;

void CTaskbarProgress::SetApplicationId(const std::string& desktop_entry) {
  desktop_entry_ = desktop_entry;
}

void CTaskbarProgress::Attach(CNativeWindow* window) {
  if (!bus_->connection && SessionBusIsThere()) {
    bus_->connection = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
  }
  attached_ = window != nullptr;
  SetState(kTbpfIndeterminate);
}

void CTaskbarProgress::SetState(TaskbarState state) {
  state_ = state;
  Publish();
}

void CTaskbarProgress::SetValue(std::uint64_t done, std::uint64_t total) {
  fraction_ = total == 0 ? 0.0 : static_cast<double>(done > total ? total : done) / total;
  Publish();
}

void CTaskbarProgress::Publish() {
  if (!attached_ || !bus_->connection) return;
  GVariantBuilder properties;
  g_variant_builder_init(&properties, G_VARIANT_TYPE("a{sv}"));
  const bool visible = state_ == kTbpfNormal || state_ == kTbpfPaused || state_ == kTbpfError;
  g_variant_builder_add(&properties, "{sv}", "progress", g_variant_new_double(fraction_));
  g_variant_builder_add(&properties, "{sv}", "progress-visible", g_variant_new_boolean(visible));
  g_variant_builder_add(&properties, "{sv}", "urgent", g_variant_new_boolean(state_ == kTbpfError));
  const std::string uri = "application://" + desktop_entry_;
  g_dbus_connection_emit_signal(bus_->connection, nullptr,
                                "/com/canonical/unity/launcherentry/kelvane",
                                "com.canonical.Unity.LauncherEntry", "Update",
                                g_variant_new("(sa{sv})", uri.c_str(), &properties), nullptr);
}

}  // namespace SkinUI
