#include "platform/qt/screen_hold.h"

#include <dbus/dbus.h>
#include <xcb/xcb.h>

#include <QGuiApplication>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <utility>

namespace xr::qt {

namespace {

constexpr int kCallTimeoutMs = 5000;
constexpr auto kExitWait = std::chrono::milliseconds(500);
constexpr const char* kApplication = "xiuran-timer";
constexpr const char* kReason = "正在计时";
constexpr std::uint32_t kIdleFlag = 8;  // the portal's and the session manager's "idle"

// The session bus as the environment names it, or nothing: an unset address would make the bus
// library start a bus of its own (autolaunch), which must outlive no program of ours.
std::string SessionBusAddress() {
  const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  if (address == nullptr) return {};
  const std::string_view a(address);
  if (a.empty() || a.starts_with("disabled:") || a.starts_with("autolaunch:")) return {};
  return std::string(a);
}

// What holds the display on the bus, and so how it is let go.
struct Inhibition {
  enum class Way : std::uint8_t { None, Portal, ScreenSaver, SessionManager };
  Way way = Way::None;
  std::string request;  // the portal's: closing its request object ends the inhibition
  std::uint32_t cookie = 0;
};

// Sends and waits for the answer: only ever on the bus thread. Takes the message.
DBusMessage* Call(DBusConnection* bus, DBusMessage* message) {
  if (message == nullptr) return nullptr;
  DBusError error;
  dbus_error_init(&error);
  DBusMessage* reply =
      dbus_connection_send_with_reply_and_block(bus, message, kCallTimeoutMs, &error);
  dbus_message_unref(message);
  dbus_error_free(&error);
  return reply;
}

bool ReplyCookie(DBusMessage* reply, std::uint32_t& cookie) {
  if (reply == nullptr) return false;
  dbus_uint32_t value = 0;
  const bool ok =
      dbus_message_get_args(reply, nullptr, DBUS_TYPE_UINT32, &value, DBUS_TYPE_INVALID) != FALSE;
  dbus_message_unref(reply);
  cookie = value;
  return ok;
}

bool AskPortal(DBusConnection* bus, Inhibition& out) {
  DBusMessage* m = dbus_message_new_method_call("org.freedesktop.portal.Desktop",
                                                "/org/freedesktop/portal/desktop",
                                                "org.freedesktop.portal.Inhibit", "Inhibit");
  if (m == nullptr) return false;
  const char* window = "";
  dbus_uint32_t flags = kIdleFlag;
  DBusMessageIter args, options, entry, value;
  dbus_message_iter_init_append(m, &args);
  const char* key = "reason";
  const bool built =
      dbus_message_iter_append_basic(&args, DBUS_TYPE_STRING, &window) &&
      dbus_message_iter_append_basic(&args, DBUS_TYPE_UINT32, &flags) &&
      dbus_message_iter_open_container(&args, DBUS_TYPE_ARRAY, "{sv}", &options) &&
      dbus_message_iter_open_container(&options, DBUS_TYPE_DICT_ENTRY, nullptr, &entry) &&
      dbus_message_iter_append_basic(&entry, DBUS_TYPE_STRING, &key) &&
      dbus_message_iter_open_container(&entry, DBUS_TYPE_VARIANT, "s", &value) &&
      dbus_message_iter_append_basic(&value, DBUS_TYPE_STRING, &kReason) &&
      dbus_message_iter_close_container(&entry, &value) &&
      dbus_message_iter_close_container(&options, &entry) &&
      dbus_message_iter_close_container(&args, &options);
  if (!built) {
    dbus_message_unref(m);
    return false;
  }
  DBusMessage* reply = Call(bus, m);
  if (reply == nullptr) return false;
  const char* handle = nullptr;
  const bool ok = dbus_message_get_args(reply, nullptr, DBUS_TYPE_OBJECT_PATH, &handle,
                                        DBUS_TYPE_INVALID) != FALSE;
  if (ok) out = {Inhibition::Way::Portal, handle, 0};
  dbus_message_unref(reply);
  return ok;
}

bool AskScreenSaver(DBusConnection* bus, Inhibition& out) {
  DBusMessage* m =
      dbus_message_new_method_call("org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver",
                                   "org.freedesktop.ScreenSaver", "Inhibit");
  if (m == nullptr) return false;
  if (!dbus_message_append_args(m, DBUS_TYPE_STRING, &kApplication, DBUS_TYPE_STRING, &kReason,
                                DBUS_TYPE_INVALID)) {
    dbus_message_unref(m);
    return false;
  }
  std::uint32_t cookie = 0;
  if (!ReplyCookie(Call(bus, m), cookie)) return false;
  out = {Inhibition::Way::ScreenSaver, {}, cookie};
  return true;
}

bool AskSessionManager(DBusConnection* bus, Inhibition& out) {
  DBusMessage* m =
      dbus_message_new_method_call("org.gnome.SessionManager", "/org/gnome/SessionManager",
                                   "org.gnome.SessionManager", "Inhibit");
  if (m == nullptr) return false;
  dbus_uint32_t window = 0;
  dbus_uint32_t flags = kIdleFlag;
  if (!dbus_message_append_args(m, DBUS_TYPE_STRING, &kApplication, DBUS_TYPE_UINT32, &window,
                                DBUS_TYPE_STRING, &kReason, DBUS_TYPE_UINT32, &flags,
                                DBUS_TYPE_INVALID)) {
    dbus_message_unref(m);
    return false;
  }
  std::uint32_t cookie = 0;
  if (!ReplyCookie(Call(bus, m), cookie)) return false;
  out = {Inhibition::Way::SessionManager, {}, cookie};
  return true;
}

// The portal first (a sandbox and Wayland's desktops honour it), then the freedesktop screen
// saver, then GNOME's session manager; the first that answers holds it.
Inhibition Inhibit(DBusConnection* bus) {
  Inhibition held;
  if (!AskPortal(bus, held) && !AskScreenSaver(bus, held)) AskSessionManager(bus, held);
  return held;
}

void Release(DBusConnection* bus, const Inhibition& held) {
  DBusMessage* m = nullptr;
  dbus_uint32_t cookie = held.cookie;
  switch (held.way) {
    case Inhibition::Way::None:
      return;
    case Inhibition::Way::Portal:
      m = dbus_message_new_method_call("org.freedesktop.portal.Desktop", held.request.c_str(),
                                       "org.freedesktop.portal.Request", "Close");
      break;
    case Inhibition::Way::ScreenSaver:
      m = dbus_message_new_method_call("org.freedesktop.ScreenSaver",
                                       "/org/freedesktop/ScreenSaver",
                                       "org.freedesktop.ScreenSaver", "UnInhibit");
      if (m != nullptr) dbus_message_append_args(m, DBUS_TYPE_UINT32, &cookie, DBUS_TYPE_INVALID);
      break;
    case Inhibition::Way::SessionManager:
      m = dbus_message_new_method_call("org.gnome.SessionManager", "/org/gnome/SessionManager",
                                       "org.gnome.SessionManager", "Uninhibit");
      if (m != nullptr) dbus_message_append_args(m, DBUS_TYPE_UINT32, &cookie, DBUS_TYPE_INVALID);
      break;
  }
  if (DBusMessage* reply = Call(bus, m)) dbus_message_unref(reply);
}

DBusConnection* Connect(const std::string& address) {
  DBusError error;
  dbus_error_init(&error);
  DBusConnection* bus = dbus_connection_open_private(address.c_str(), &error);
  if (bus != nullptr) {
    dbus_connection_set_exit_on_disconnect(bus, FALSE);
    if (!dbus_bus_register(bus, &error)) {
      dbus_connection_close(bus);
      dbus_connection_unref(bus);
      bus = nullptr;
    }
  }
  dbus_error_free(&error);
  return bus;
}

}  // namespace

struct ScreenHold::Bus {
  std::mutex mutex;
  std::condition_variable changed;
  bool wanted = false;
  bool quitting = false;
  bool finished = false;
  std::string address;

  // The bus thread: it alone talks to the bus, one request at a time, and acts on the last
  // wish only, so that a run of starts and pauses during a slow call costs one call at most.
  void Run() {
    DBusConnection* bus = nullptr;
    Inhibition held;
    bool applied = false;
    std::unique_lock lock(mutex);
    for (;;) {
      changed.wait(lock, [&] { return quitting || wanted != applied; });
      const bool want = wanted && !quitting;
      if (want == applied) break;  // quitting with nothing held
      lock.unlock();
      if (want) {
        if (bus != nullptr && !dbus_connection_get_is_connected(bus)) {
          dbus_connection_unref(bus);
          bus = nullptr;
        }
        if (bus == nullptr) bus = Connect(address);
        if (bus != nullptr) held = Inhibit(bus);
      } else if (bus != nullptr) {
        Release(bus, std::exchange(held, {}));
      }
      lock.lock();
      applied = want;
    }
    finished = true;
    lock.unlock();
    if (bus != nullptr) {
      dbus_connection_close(bus);
      dbus_connection_unref(bus);
    }
    changed.notify_all();
  }
};

ScreenHold::ScreenHold() {
  std::string address = SessionBusAddress();
  if (address.empty()) return;
  bus_ = std::make_shared<Bus>();
  bus_->address = std::move(address);
  // The thread keeps the shared part alive: left behind on a wedged bus at exit, it still
  // finds it there.
  std::thread([bus = bus_] { bus->Run(); }).detach();
}

ScreenHold::~ScreenHold() {
  if (!bus_) return;
  std::unique_lock lock(bus_->mutex);
  bus_->quitting = true;
  bus_->changed.notify_all();
  bus_->changed.wait_for(lock, kExitWait, [&] { return bus_->finished; });
}

void ScreenHold::Set(bool held) {
  if (held == held_) return;
  held_ = held;
  if (held) TimerWoke();
  if (!bus_) return;
  const std::lock_guard lock(bus_->mutex);
  bus_->wanted = held;
  bus_->changed.notify_all();
}

// XResetScreenSaver as the X server knows it: one request, never an answer to wait for.
void ScreenHold::TimerWoke() {
  if (!held_) return;
  const auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
  xcb_connection_t* connection = x11 != nullptr ? x11->connection() : nullptr;
  if (connection == nullptr) return;
  xcb_force_screen_saver(connection, XCB_SCREEN_SAVER_RESET);
  xcb_flush(connection);
}

}  // namespace xr::qt
