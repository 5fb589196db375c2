#include "platform/linux/network_manager_metered.h"

#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <systemd/sd-bus.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <map>
#include <string_view>
#include <system_error>

namespace quillenta {

namespace {

constexpr const char* kService = "org.freedesktop.NetworkManager";
constexpr const char* kManagerPath = "/org/freedesktop/NetworkManager";
constexpr const char* kDevicePrefix = "/org/freedesktop/NetworkManager/Devices/";
constexpr const char* kDeviceInterface = "org.freedesktop.NetworkManager.Device";

constexpr std::uint32_t kDeviceActivated = 100;  // NM_DEVICE_STATE_ACTIVATED
constexpr std::uint32_t kMeteredYes = 1;         // NM_METERED_YES
constexpr std::uint32_t kMeteredGuessYes = 3;    // NM_METERED_GUESS_YES

constexpr int kFirstRedialMs = 1000;
constexpr int kLongestRedialMs = 4000;
// While the bus's socket is absent its folder is watched; this only bounds a missed event.
constexpr int kAbsentBusMs = 60000;
constexpr const char* kDefaultSystemBus = "unix:path=/run/dbus/system_bus_socket";

// The socket of the system bus's first address when it is a plain unix:path= one (as
// sd_bus_open_system picks it), or empty.
std::string SystemBusSocket() {
  const char* address = secure_getenv("DBUS_SYSTEM_BUS_ADDRESS");
  std::string_view text = address != nullptr && *address != '\0' ? address : kDefaultSystemBus;
  text = text.substr(0, text.find(';'));
  constexpr std::string_view kPrefix = "unix:path=";
  if (text.substr(0, kPrefix.size()) != kPrefix) return {};
  text.remove_prefix(kPrefix.size());
  text = text.substr(0, text.find(','));
  // An escaped path is left to the timed redial.
  if (text.empty() || text.front() != '/' || text.find('%') != std::string_view::npos) return {};
  return std::string(text);
}

std::uint64_t MonotonicUsec() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::uint64_t>(now.tv_sec) * 1000000u +
         static_cast<std::uint64_t>(now.tv_nsec) / 1000u;
}

}  // namespace

// One connection to the system bus and what NetworkManager told over it.
class NetworkManagerMetered::Watch {
 public:
  Watch(NetworkManagerMetered& parent, sd_bus* bus) : parent_(parent), bus_(bus) {}
  ~Watch() {
    // No flush: a bus that stopped reading must not hold up the thread's end.
    sd_bus_close(bus_);
    sd_bus_unref(bus_);
  }
  Watch(const Watch&) = delete;
  Watch& operator=(const Watch&) = delete;

  // False when the signals cannot be asked for.
  bool Start() {
    static const char* const kMatches[] = {
        "type='signal',sender='org.freedesktop.DBus',path='/org/freedesktop/DBus',"
        "interface='org.freedesktop.DBus',member='NameOwnerChanged',"
        "arg0='org.freedesktop.NetworkManager'",
        "type='signal',sender='org.freedesktop.NetworkManager',"
        "path='/org/freedesktop/NetworkManager',interface='org.freedesktop.NetworkManager'",
        "type='signal',sender='org.freedesktop.NetworkManager',"
        "path_namespace='/org/freedesktop/NetworkManager/Devices',"
        "interface='org.freedesktop.DBus.Properties',member='PropertiesChanged',"
        "arg0='org.freedesktop.NetworkManager.Device'",
    };
    for (const char* match : kMatches) {
      if (sd_bus_add_match_async(bus_, nullptr, match, &Watch::OnSignal, &Watch::Ignore, this) <
          0) {
        return false;
      }
    }
    return Ask(Call::kOwner, "/org/freedesktop/DBus", "org.freedesktop.DBus", "GetNameOwner", "",
               "org.freedesktop.DBus", "s", kService);
  }

  sd_bus* Bus() const { return bus_; }

 private:
  struct Device {
    std::uint32_t state = 0;
    std::uint32_t metered = 0;
    std::string interface;
  };

  struct Call {
    enum Kind { kOwner, kDevices, kDevice } kind;
    Watch* watch;
    std::uint64_t generation;
    std::string path;
  };

  // A call whose answer comes to OnReply; nothing waits for it.
  template <typename... Args>
  bool Ask(Call::Kind kind, const char* path, const char* interface, const char* member,
           const std::string& device, const char* destination, const char* types,
           Args... args) {
    auto* call = new Call{kind, this, generation_, device};
    sd_bus_slot* slot = nullptr;
    int r = sd_bus_call_method_async(bus_, &slot, destination, path, interface, member,
                                     &Watch::OnReply, call, types, args...);
    if (r < 0) {
      delete call;
      return false;
    }
    sd_bus_slot_set_destroy_callback(slot, [](void* data) { delete static_cast<Call*>(data); });
    sd_bus_slot_set_floating(slot, 1);
    sd_bus_slot_unref(slot);
    return true;
  }

  static int Ignore(sd_bus_message*, void*, sd_bus_error*) { return 0; }

  static int OnReply(sd_bus_message* reply, void* data, sd_bus_error*) {
    auto* call = static_cast<Call*>(data);
    Watch& watch = *call->watch;
    if (call->generation != watch.generation_) return 0;
    bool failed = sd_bus_message_is_method_error(reply, nullptr);
    switch (call->kind) {
      case Call::kOwner: {
        const char* name = nullptr;
        if (!failed && sd_bus_message_read(reply, "s", &name) >= 0) watch.OwnerIs(name);
        break;
      }
      case Call::kDevices:
        if (!failed) watch.ReadDevices(reply);
        break;
      case Call::kDevice: {
        auto device = watch.devices_.find(call->path);
        if (device == watch.devices_.end()) break;
        // A device that cannot be read counts as not metered until it tells more.
        if (failed || !ReadProperties(reply, &device->second)) device->second = Device();
        watch.Publish();
        break;
      }
    }
    return 0;
  }

  static int OnSignal(sd_bus_message* message, void* data, sd_bus_error*) {
    Watch& watch = *static_cast<Watch*>(data);
    const char* member = sd_bus_message_get_member(message);
    if (member == nullptr) return 0;
    if (std::strcmp(member, "NameOwnerChanged") == 0) {
      const char* name = nullptr;
      const char* before = nullptr;
      const char* after = nullptr;
      if (sd_bus_message_read(message, "sss", &name, &before, &after) >= 0 &&
          std::strcmp(name, kService) == 0) {
        watch.OwnerIs(after);
      }
      return 0;
    }
    // The bus daemon passes only NetworkManager's signals; one that went out before its
    // owner changed belongs to the old one.
    const char* sender = sd_bus_message_get_sender(message);
    if (sender == nullptr || watch.owner_.empty() || watch.owner_ != sender) return 0;
    const char* path = sd_bus_message_get_path(message);
    if (path == nullptr) return 0;
    if (std::strcmp(member, "DeviceAdded") == 0) {
      const char* device = nullptr;
      if (sd_bus_message_read(message, "o", &device) >= 0) watch.AskDevice(device);
    } else if (std::strcmp(member, "DeviceRemoved") == 0) {
      const char* device = nullptr;
      if (sd_bus_message_read(message, "o", &device) >= 0 && watch.devices_.erase(device) > 0) {
        watch.Publish();
      }
    } else if (std::strcmp(member, "PropertiesChanged") == 0 &&
               std::strncmp(path, kDevicePrefix, std::strlen(kDevicePrefix)) == 0) {
      watch.Changed(path, message);
    }
    return 0;
  }

  // NetworkManager came, went or was replaced: what the old one said no longer holds.
  void OwnerIs(const char* name) {
    ++generation_;
    owner_ = name != nullptr ? name : "";
    devices_.clear();
    Publish();
    if (!owner_.empty()) {
      Ask(Call::kDevices, kManagerPath, kService, "GetDevices", "", kService, "");
    }
  }

  void ReadDevices(sd_bus_message* reply) {
    if (sd_bus_message_enter_container(reply, 'a', "o") < 0) return;
    const char* path = nullptr;
    while (sd_bus_message_read(reply, "o", &path) > 0) AskDevice(path);
    sd_bus_message_exit_container(reply);
  }

  void AskDevice(const char* path) {
    devices_.try_emplace(path);
    Ask(Call::kDevice, path, "org.freedesktop.DBus.Properties", "GetAll", path, kService, "s",
        kDeviceInterface);
  }

  void Changed(const char* path, sd_bus_message* message) {
    auto device = devices_.find(path);
    if (device == devices_.end()) return;
    const char* interface = nullptr;
    if (sd_bus_message_read(message, "s", &interface) < 0) return;
    if (!ReadProperties(message, &device->second)) return;
    // Properties said to have changed without their values are asked for.
    bool ask = false;
    if (sd_bus_message_enter_container(message, 'a', "s") >= 0) {
      const char* name = nullptr;
      while (sd_bus_message_read(message, "s", &name) > 0) {
        ask = ask || std::strcmp(name, "State") == 0 || std::strcmp(name, "Metered") == 0 ||
              std::strcmp(name, "IpInterface") == 0;
      }
      sd_bus_message_exit_container(message);
    }
    if (ask) AskDevice(path);
    Publish();
  }

  // The three properties that matter from an a{sv}; the others are passed over.
  static bool ReadProperties(sd_bus_message* message, Device* device) {
    if (sd_bus_message_enter_container(message, 'a', "{sv}") < 0) return false;
    for (;;) {
      int r = sd_bus_message_enter_container(message, 'e', "sv");
      if (r < 0) return false;
      if (r == 0) break;
      const char* name = nullptr;
      if (sd_bus_message_read(message, "s", &name) < 0) return false;
      if (std::strcmp(name, "State") == 0) {
        r = sd_bus_message_read(message, "v", "u", &device->state);
      } else if (std::strcmp(name, "Metered") == 0) {
        r = sd_bus_message_read(message, "v", "u", &device->metered);
      } else if (std::strcmp(name, "IpInterface") == 0) {
        const char* text = nullptr;
        r = sd_bus_message_read(message, "v", "s", &text);
        if (r >= 0) device->interface = text;
      } else {
        r = sd_bus_message_skip(message, "v");
      }
      if (r < 0 || sd_bus_message_exit_container(message) < 0) return false;
    }
    return sd_bus_message_exit_container(message) >= 0;
  }

  void Publish() {
    std::vector<std::string> names;
    for (const auto& [path, device] : devices_) {
      if (device.state == kDeviceActivated && !device.interface.empty() &&
          (device.metered == kMeteredYes || device.metered == kMeteredGuessYes)) {
        names.push_back(device.interface);
      }
    }
    parent_.Publish(std::move(names));
  }

  NetworkManagerMetered& parent_;
  sd_bus* bus_;
  std::string owner_;  // NetworkManager's unique name on the bus, empty while it is away
  std::uint64_t generation_ = 0;
  std::map<std::string, Device> devices_;
};

NetworkManagerMetered::NetworkManagerMetered() {
  stop_fd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (stop_fd_ < 0) return;
  // The thread takes no process signals: they stay with the main loop that handles them.
  sigset_t all;
  sigset_t previous;
  sigfillset(&all);
  pthread_sigmask(SIG_SETMASK, &all, &previous);
  try {
    thread_ = std::thread([this] { Run(); });
  } catch (const std::system_error&) {
    // Without the thread the set stays empty: PPP and wwan links still count.
  }
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
}

NetworkManagerMetered::~NetworkManagerMetered() {
  if (thread_.joinable()) {
    std::uint64_t one = 1;
    ssize_t written = write(stop_fd_, &one, sizeof one);
    (void)written;
    thread_.join();
  }
  if (stop_fd_ >= 0) close(stop_fd_);
}

bool NetworkManagerMetered::TakeIfChanged(std::uint64_t* version, std::vector<std::string>* names) {
  if (version_.load(std::memory_order_acquire) == *version) return false;
  std::lock_guard lock(mutex_);
  *names = names_;
  *version = version_.load(std::memory_order_relaxed);
  return true;
}

void NetworkManagerMetered::Publish(std::vector<std::string> names) {
  std::sort(names.begin(), names.end());
  names.erase(std::unique(names.begin(), names.end()), names.end());
  std::lock_guard lock(mutex_);
  if (names == names_) return;
  names_ = std::move(names);
  version_.fetch_add(1, std::memory_order_release);
}

bool NetworkManagerMetered::WaitForStop(int ms) {
  pollfd stop{stop_fd_, POLLIN, 0};
  return poll(&stop, 1, ms) > 0;
}

bool NetworkManagerMetered::WaitForBus(int redial_ms) {
  // A bus whose socket is not there costs nothing until the socket is made: its folder is
  // watched, and the socket looked for only after the watch is set, so none is missed.
  std::string socket = SystemBusSocket();
  std::size_t slash = socket.rfind('/');
  int watch = socket.empty() ? -1 : inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
  if (watch >= 0) {
    std::string folder = slash == 0 ? "/" : socket.substr(0, slash);
    struct stat info {};
    if (inotify_add_watch(watch, folder.c_str(), IN_CREATE | IN_MOVED_TO) >= 0 &&
        stat(socket.c_str(), &info) != 0 && errno == ENOENT) {
      pollfd fds[2] = {{stop_fd_, POLLIN, 0}, {watch, POLLIN, 0}};
      std::string name = socket.substr(slash + 1);
      bool made = false;
      while (!made) {
        if (poll(fds, 2, kAbsentBusMs) <= 0) break;
        if (fds[0].revents != 0) {
          close(watch);
          return true;
        }
        alignas(inotify_event) char events[4096];
        ssize_t n = read(watch, events, sizeof events);
        for (ssize_t at = 0; at < n;) {
          const auto* event = reinterpret_cast<const inotify_event*>(events + at);
          made = made || (event->len > 0 && name == event->name);
          at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
        if (n <= 0 && errno != EAGAIN && errno != EINTR) break;
      }
      close(watch);
      // The daemon makes its socket before it listens: a moment for it to begin.
      return WaitForStop(made ? 50 : 0);
    }
    close(watch);
  }
  return WaitForStop(redial_ms);
}

void NetworkManagerMetered::Run() {
  pthread_setname_np(pthread_self(), "quillenta-nm");
  int redial_ms = kFirstRedialMs;
  for (;;) {
    sd_bus* bus = nullptr;
    // sd_bus_open_system dials $DBUS_SYSTEM_BUS_ADDRESS when it is set.
    if (sd_bus_open_system(&bus) >= 0) {
      Watch watch(*this, bus);
      if (watch.Start()) {
        for (;;) {
          int r;
          do {
            r = sd_bus_process(bus, nullptr);
          } while (r > 0);
          if (r < 0 || sd_bus_is_open(bus) <= 0) break;
          // Dialled and answering: a later loss is dialled again from the first delay.
          if (sd_bus_is_ready(bus) > 0) redial_ms = kFirstRedialMs;
          int fd = sd_bus_get_fd(bus);
          int events = sd_bus_get_events(bus);
          if (fd < 0 || events < 0) break;
          pollfd fds[2] = {{fd, static_cast<short>(events), 0}, {stop_fd_, POLLIN, 0}};
          std::uint64_t until = UINT64_MAX;
          int timeout = -1;
          if (sd_bus_get_timeout(bus, &until) >= 0 && until != UINT64_MAX) {
            std::uint64_t now = MonotonicUsec();
            timeout = until <= now ? 0 : static_cast<int>(std::min<std::uint64_t>(
                                                   (until - now + 999) / 1000, INT_MAX));
          }
          if (poll(fds, 2, timeout) < 0 && errno != EINTR) break;
          if (fds[1].revents != 0) {
            Publish({});
            return;
          }
        }
      }
    }
    Publish({});
    if (WaitForBus(redial_ms)) return;
    redial_ms = std::min(redial_ms * 2, kLongestRedialMs);
  }
}

}  // namespace quillenta
