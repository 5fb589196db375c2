#include "platform/linux/status_notifier_item.h"

#include <poll.h>
#include <systemd/sd-bus.h>
#include <time.h>
#include <unistd.h>

#include <cstring>

namespace quillenta {

namespace {

constexpr const char* kWatcher = "org.kde.StatusNotifierWatcher";
constexpr const char* kWatcherPath = "/StatusNotifierWatcher";
constexpr const char* kItemPath = "/StatusNotifierItem";
constexpr const char* kItemInterface = "org.kde.StatusNotifierItem";
constexpr const char* kMenuPath = "/MenuBar";
constexpr const char* kMenuInterface = "com.canonical.dbusmenu";
// A watcher or daemon that does not answer within this counts as none.
constexpr std::uint64_t kCallTimeoutUs = 2'000'000;

StatusNotifierItem& Item(void* data) { return *static_cast<StatusNotifierItem*>(data); }

std::uint64_t NowUs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return std::uint64_t(now.tv_sec) * 1'000'000 + std::uint64_t(now.tv_nsec) / 1000;
}

int AppendPixmaps(sd_bus_message* reply, const std::vector<SniPixmap>& pixmaps) {
  int r = sd_bus_message_open_container(reply, 'a', "(iiay)");
  for (const SniPixmap& pixmap : pixmaps) {
    if (r < 0) return r;
    r = sd_bus_message_open_container(reply, 'r', "iiay");
    if (r >= 0) r = sd_bus_message_append(reply, "ii", pixmap.width, pixmap.height);
    if (r >= 0) r = sd_bus_message_append_array(reply, 'y', pixmap.argb.data(), pixmap.argb.size());
    if (r >= 0) r = sd_bus_message_close_container(reply);
  }
  return r < 0 ? r : sd_bus_message_close_container(reply);
}

}  // namespace

// The vtables' callbacks, which read the item's private state.
struct SniHandlers {
  using Getter = int (*)(sd_bus*, const char*, const char*, const char*, sd_bus_message*, void*,
                         sd_bus_error*);

  static int Text(sd_bus_message* reply, const std::string& text) {
    return sd_bus_message_append(reply, "s", text.c_str());
  }

  static int Property(sd_bus*, const char*, const char*, const char* property,
                      sd_bus_message* reply, void* data, sd_bus_error*) {
    StatusNotifierItem& item = Item(data);
    const std::string_view name = property;
    if (name == "Category") return sd_bus_message_append(reply, "s", "ApplicationStatus");
    if (name == "Id") return Text(reply, item.id_);
    if (name == "Title") return Text(reply, item.menu_quiet_ ? std::string() : item.title_);
    if (name == "Status") return sd_bus_message_append(reply, "s", "Active");
    if (name == "WindowId") return sd_bus_message_append(reply, "i", 0);
    if (name == "IconPixmap") return AppendPixmaps(reply, item.icon_);
    if (name == "OverlayIconPixmap" || name == "AttentionIconPixmap") {
      return AppendPixmaps(reply, {});
    }
    if (name == "ItemIsMenu") return sd_bus_message_append(reply, "b", 0);
    if (name == "Menu") return sd_bus_message_append(reply, "o", kMenuPath);
    if (name == "XAyatanaLabel" || name == "XAyatanaLabelGuide") return Text(reply, item.label_);
    if (name == "XAyatanaOrderingIndex") return sd_bus_message_append(reply, "u", 0u);
    if (name == "ToolTip") {
      int r = sd_bus_message_open_container(reply, 'r', "sa(iiay)ss");
      if (r >= 0) r = sd_bus_message_append(reply, "s", "");
      if (r >= 0) r = AppendPixmaps(reply, {});
      const char* text = item.menu_quiet_ ? "" : item.tooltip_.c_str();
      if (r >= 0) r = sd_bus_message_append(reply, "ss", text, "");
      return r < 0 ? r : sd_bus_message_close_container(reply);
    }
    // IconName, the overlay's and attention's names, the movie, the theme path: none.
    return sd_bus_message_append(reply, "s", "");
  }

  static int Activate(sd_bus_message* message, void* data, sd_bus_error*) {
    StatusNotifierItem& item = Item(data);
    const std::string_view member = sd_bus_message_get_member(message);
    auto& wanted = member == "ContextMenu" ? item.events_.context_menu : item.events_.activate;
    // SecondaryActivate (the middle button) and Scroll open nothing.
    if ((member == "Activate" || member == "ContextMenu") && wanted) item.pending_.push_back(wanted);
    return sd_bus_reply_method_return(message, nullptr);
  }

  static int AppendMenuItem(sd_bus_message* reply, const StatusNotifierItem& item, int id,
                            bool children) {
    int r = sd_bus_message_open_container(reply, 'r', "ia{sv}av");
    if (r >= 0) r = sd_bus_message_append(reply, "i", id);
    if (r >= 0) r = sd_bus_message_open_container(reply, 'a', "{sv}");
    if (r >= 0 && id == 0) {
      r = sd_bus_message_append(reply, "{sv}", "children-display", "s", "submenu");
    } else if (r >= 0) {
      r = sd_bus_message_append(reply, "{sv}{sv}{sv}", "label", "s",
                                item.menu_[id - 1].c_str(), "enabled", "b", 1, "visible", "b", 1);
    }
    if (r >= 0) r = sd_bus_message_close_container(reply);
    if (r >= 0) r = sd_bus_message_open_container(reply, 'a', "v");
    for (int child = 1; children && r >= 0 && child <= int(item.menu_.size()); ++child) {
      r = sd_bus_message_open_container(reply, 'v', "(ia{sv}av)");
      if (r >= 0) r = AppendMenuItem(reply, item, child, false);
      if (r >= 0) r = sd_bus_message_close_container(reply);
    }
    if (r >= 0) r = sd_bus_message_close_container(reply);
    return r < 0 ? r : sd_bus_message_close_container(reply);
  }

  static bool KnownId(const StatusNotifierItem& item, int id) {
    return id >= 0 && id <= int(item.menu_.size());
  }

  static int GetLayout(sd_bus_message* message, void* data, sd_bus_error* error) {
    const StatusNotifierItem& item = Item(data);
    std::int32_t parent = 0, depth = 0;
    int r = sd_bus_message_read(message, "ii", &parent, &depth);
    if (r < 0) return r;
    if (!KnownId(item, parent)) {
      return sd_bus_error_set(error, SD_BUS_ERROR_INVALID_ARGS, "no such menu item");
    }
    sd_bus_message* reply = nullptr;
    r = sd_bus_message_new_method_return(message, &reply);
    if (r >= 0) r = sd_bus_message_append(reply, "u", item.revision_);
    if (r >= 0) r = AppendMenuItem(reply, item, parent, parent == 0 && depth != 0);
    if (r >= 0) r = sd_bus_send(nullptr, reply, nullptr);
    sd_bus_message_unref(reply);
    return r;
  }

  static int GetGroupProperties(sd_bus_message* message, void* data, sd_bus_error*) {
    const StatusNotifierItem& item = Item(data);
    const std::int32_t* ids = nullptr;
    std::size_t size = 0;
    int r = sd_bus_message_read_array(message, 'i', reinterpret_cast<const void**>(&ids), &size);
    if (r < 0) return r;
    sd_bus_message* reply = nullptr;
    r = sd_bus_message_new_method_return(message, &reply);
    if (r >= 0) r = sd_bus_message_open_container(reply, 'a', "(ia{sv})");
    for (std::size_t n = 0; r >= 0 && n < size / sizeof(std::int32_t); ++n) {
      if (!KnownId(item, ids[n]) || ids[n] == 0) continue;
      r = sd_bus_message_append(reply, "(ia{sv})", ids[n], 1, "label", "s",
                                item.menu_[ids[n] - 1].c_str());
    }
    if (r >= 0) r = sd_bus_message_close_container(reply);
    if (r >= 0) r = sd_bus_send(nullptr, reply, nullptr);
    sd_bus_message_unref(reply);
    return r;
  }

  static void Clicked(StatusNotifierItem& item, int id, const char* event) {
    item.menu_open_until_us_ = 0;
    if (id < 1 || id > int(item.menu_.size()) || std::strcmp(event, "clicked") != 0) return;
    if (item.events_.menu_item) {
      item.pending_.push_back([&item, id] { item.events_.menu_item(std::size_t(id - 1)); });
    }
  }

  static int Event(sd_bus_message* message, void* data, sd_bus_error*) {
    std::int32_t id = 0;
    const char* event = "";
    int r = sd_bus_message_read(message, "is", &id, &event);
    if (r < 0) return r;
    Clicked(Item(data), id, event);
    return sd_bus_reply_method_return(message, nullptr);
  }

  static int EventGroup(sd_bus_message* message, void* data, sd_bus_error*) {
    int r = sd_bus_message_enter_container(message, 'a', "(isvu)");
    while (r > 0) {
      r = sd_bus_message_enter_container(message, 'r', "isvu");
      if (r <= 0) break;
      std::int32_t id = 0;
      const char* event = "";
      r = sd_bus_message_read(message, "is", &id, &event);
      if (r >= 0) r = sd_bus_message_skip(message, "vu");
      if (r >= 0) r = sd_bus_message_exit_container(message);
      if (r >= 0) Clicked(Item(data), id, event);
    }
    if (r < 0) return r;
    return sd_bus_reply_method_return(message, "ai", 0);
  }

  // xfce4-panel re-reads an item at each of its New signals and, when its tooltip changed,
  // has GTK show the tooltip under the pointer after half a second, even over the item's open
  // menu, whose click the tooltip then takes. So while the menu is open (the host tells of the
  // opening, not always of the closing) the signals wait, and the item has neither tooltip nor
  // title, which the panel shows in its place: a re-read for a signal sent just before the
  // menu opened is answered after it, and the next re-read then finds nothing to show.
  static void MenuOpens(StatusNotifierItem& item) {
    item.menu_open_until_us_ = NowUs() + StatusNotifierItem::kMenuOpenMs * 1000;
    if (item.menu_quiet_) return;
    item.menu_quiet_ = true;
    sd_bus_emit_signal(item.bus_, kItemPath, kItemInterface, "NewTitle", nullptr);
    sd_bus_emit_signal(item.bus_, kItemPath, kItemInterface, "NewToolTip", nullptr);
  }
  static int AboutToShow(sd_bus_message* message, void* data, sd_bus_error*) {
    MenuOpens(Item(data));
    return sd_bus_reply_method_return(message, "b", 0);
  }
  static int AboutToShowGroup(sd_bus_message* message, void* data, sd_bus_error*) {
    MenuOpens(Item(data));
    return sd_bus_reply_method_return(message, "aiai", 0, 0);
  }

  static int MenuProperty(sd_bus*, const char*, const char*, const char* property,
                          sd_bus_message* reply, void*, sd_bus_error*) {
    const std::string_view name = property;
    if (name == "Version") return sd_bus_message_append(reply, "u", 3u);
    if (name == "IconThemePath") return sd_bus_message_append(reply, "as", 0);
    return sd_bus_message_append(reply, "s", name == "TextDirection" ? "ltr" : "normal");
  }

  static int Signal(sd_bus_message* message, void* data, sd_bus_error*) {
    StatusNotifierItem& item = Item(data);
    if (sd_bus_message_is_signal(message, kWatcher, "StatusNotifierHostRegistered")) {
      item.host_registered_ = true;
      return 0;
    }
    const char* name = nullptr;
    const char* before = nullptr;
    const char* after = nullptr;
    if (sd_bus_message_read(message, "sss", &name, &before, &after) < 0) return 0;
    if (*after == '\0') {
      item.host_registered_ = false;
      item.SetWatcher(StatusNotifierItem::Watcher::kAbsent);
      return 0;
    }
    // A new watcher knows nothing of the items of the one before.
    item.SetWatcher(StatusNotifierItem::Watcher::kPresent);
    item.AskHost();
    if (item.shown_) item.Register();
    return 0;
  }
};

namespace {

const sd_bus_vtable kItemVtable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_PROPERTY("Category", "s", SniHandlers::Property, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("Id", "s", SniHandlers::Property, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("Title", "s", SniHandlers::Property, 0, 0),
    SD_BUS_PROPERTY("Status", "s", SniHandlers::Property, 0, 0),
    SD_BUS_PROPERTY("WindowId", "i", SniHandlers::Property, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("IconName", "s", SniHandlers::Property, 0, 0),
    SD_BUS_PROPERTY("IconPixmap", "a(iiay)", SniHandlers::Property, 0, 0),
    SD_BUS_PROPERTY("IconThemePath", "s", SniHandlers::Property, 0, 0),
    SD_BUS_PROPERTY("OverlayIconName", "s", SniHandlers::Property, 0, 0),
    SD_BUS_PROPERTY("OverlayIconPixmap", "a(iiay)", SniHandlers::Property, 0, 0),
    SD_BUS_PROPERTY("AttentionIconName", "s", SniHandlers::Property, 0, 0),
    SD_BUS_PROPERTY("AttentionIconPixmap", "a(iiay)", SniHandlers::Property, 0, 0),
    SD_BUS_PROPERTY("AttentionMovieName", "s", SniHandlers::Property, 0, 0),
    SD_BUS_PROPERTY("ToolTip", "(sa(iiay)ss)", SniHandlers::Property, 0, 0),
    SD_BUS_PROPERTY("ItemIsMenu", "b", SniHandlers::Property, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("Menu", "o", SniHandlers::Property, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("XAyatanaLabel", "s", SniHandlers::Property, 0, 0),
    SD_BUS_PROPERTY("XAyatanaLabelGuide", "s", SniHandlers::Property, 0, 0),
    SD_BUS_PROPERTY("XAyatanaOrderingIndex", "u", SniHandlers::Property, 0, 0),
    SD_BUS_METHOD("Activate", "ii", "", SniHandlers::Activate, 0),
    SD_BUS_METHOD("SecondaryActivate", "ii", "", SniHandlers::Activate, 0),
    SD_BUS_METHOD("ContextMenu", "ii", "", SniHandlers::Activate, 0),
    SD_BUS_METHOD("Scroll", "is", "", SniHandlers::Activate, 0),
    SD_BUS_SIGNAL("NewTitle", "", 0),
    SD_BUS_SIGNAL("NewIcon", "", 0),
    SD_BUS_SIGNAL("NewAttentionIcon", "", 0),
    SD_BUS_SIGNAL("NewOverlayIcon", "", 0),
    SD_BUS_SIGNAL("NewToolTip", "", 0),
    SD_BUS_SIGNAL("NewStatus", "s", 0),
    SD_BUS_SIGNAL("XAyatanaNewLabel", "ss", 0),
    SD_BUS_VTABLE_END,
};

const sd_bus_vtable kMenuVtable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_PROPERTY("Version", "u", SniHandlers::MenuProperty, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("TextDirection", "s", SniHandlers::MenuProperty, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("Status", "s", SniHandlers::MenuProperty, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("IconThemePath", "as", SniHandlers::MenuProperty, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_METHOD("GetLayout", "iias", "u(ia{sv}av)", SniHandlers::GetLayout, 0),
    SD_BUS_METHOD("GetGroupProperties", "aias", "a(ia{sv})", SniHandlers::GetGroupProperties, 0),
    SD_BUS_METHOD("Event", "isvu", "", SniHandlers::Event, 0),
    SD_BUS_METHOD("EventGroup", "a(isvu)", "ai", SniHandlers::EventGroup, 0),
    SD_BUS_METHOD("AboutToShow", "i", "b", SniHandlers::AboutToShow, 0),
    SD_BUS_METHOD("AboutToShowGroup", "ai", "aiai", SniHandlers::AboutToShowGroup, 0),
    SD_BUS_SIGNAL("ItemsPropertiesUpdated", "a(ia{sv})a(ias)", 0),
    SD_BUS_SIGNAL("LayoutUpdated", "ui", 0),
    SD_BUS_SIGNAL("ItemActivationRequested", "iu", 0),
    SD_BUS_VTABLE_END,
};

struct PendingCall {
  std::function<void(sd_bus_message*)> answer;
};

}  // namespace

StatusNotifierItem::StatusNotifierItem(std::string id, std::string title,
                                       std::vector<SniPixmap> icon, std::vector<std::string> menu,
                                       Events events)
    : id_(std::move(id)),
      title_(std::move(title)),
      icon_(std::move(icon)),
      menu_(std::move(menu)),
      events_(std::move(events)),
      tooltip_(title_),
      bus_name_("org.kde.StatusNotifierItem-" + std::to_string(getpid()) + "-1") {}

StatusNotifierItem::~StatusNotifierItem() {
  for (sd_bus_slot* slot : slots_) sd_bus_slot_unref(slot);
  // Without a flush, which could wait on a bus that does not read: the names go with the
  // connection.
  if (bus_ != nullptr) sd_bus_close_unref(bus_);
}

bool StatusNotifierItem::Open() {
  if (sd_bus_open_user(&bus_) < 0) {
    bus_ = nullptr;
    return false;
  }
  auto keep = [this](int r, sd_bus_slot* slot) {
    if (r >= 0) slots_.push_back(slot);
    return r >= 0;
  };
  sd_bus_slot* slot = nullptr;
  bool ok = keep(sd_bus_add_object_vtable(bus_, &slot, kItemPath, kItemInterface, kItemVtable, this),
                 slot);
  ok = ok && keep(sd_bus_add_object_vtable(bus_, &slot, kMenuPath, kMenuInterface, kMenuVtable,
                                           this),
                  slot);
  const std::string owner_match = std::string(
      "type='signal',sender='org.freedesktop.DBus',interface='org.freedesktop.DBus',"
      "member='NameOwnerChanged',arg0='") + kWatcher + "'";
  ok = ok && keep(sd_bus_add_match_async(bus_, &slot, owner_match.c_str(), SniHandlers::Signal,
                                         nullptr, this),
                  slot);
  const std::string host_match = std::string("type='signal',interface='") + kWatcher +
                                 "',member='StatusNotifierHostRegistered'";
  ok = ok && keep(sd_bus_add_match_async(bus_, &slot, host_match.c_str(), SniHandlers::Signal,
                                         nullptr, this),
                  slot);
  if (!ok) {
    for (sd_bus_slot* added : slots_) sd_bus_slot_unref(added);
    slots_.clear();
    sd_bus_close_unref(bus_);
    bus_ = nullptr;
    return false;
  }
  Call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "NameHasOwner",
       [this](sd_bus_message* reply) {
         int present = 0;
         if (sd_bus_message_is_method_error(reply, nullptr) ||
             sd_bus_message_read(reply, "b", &present) < 0) {
           present = 0;
         }
         // A NameOwnerChanged may have answered first.
         if (watcher_ != Watcher::kUnknown) return;
         SetWatcher(present ? Watcher::kPresent : Watcher::kAbsent);
         if (present) AskHost();
       },
       kWatcher);
  return true;
}

void StatusNotifierItem::Call(const char* destination, const char* path, const char* interface,
                              const char* member, std::function<void(sd_bus_message*)> answer,
                              const char* argument, bool flags) {
  if (bus_ == nullptr) return;
  sd_bus_message* message = nullptr;
  if (sd_bus_message_new_method_call(bus_, &message, destination, path, interface, member) < 0) {
    return;
  }
  if (flags) {
    // No queueing: a name another process holds is no name of this item's.
    sd_bus_message_append(message, "su", argument, 4u);
  } else if (argument != nullptr) {
    sd_bus_message_append(message, "s", argument);
  }
  auto* call = new PendingCall{std::move(answer)};
  sd_bus_slot* slot = nullptr;
  const int r = sd_bus_call_async(
      bus_, &slot, message,
      [](sd_bus_message* reply, void* data, sd_bus_error*) {
        auto* pending = static_cast<PendingCall*>(data);
        if (pending->answer) pending->answer(reply);
        return 0;
      },
      call, kCallTimeoutUs);
  sd_bus_message_unref(message);
  if (r < 0) {
    delete call;
    return;
  }
  sd_bus_slot_set_destroy_callback(slot, [](void* data) { delete static_cast<PendingCall*>(data); });
  sd_bus_slot_set_floating(slot, 1);
  sd_bus_slot_unref(slot);
}

void StatusNotifierItem::AskHost() {
  if (bus_ == nullptr) return;
  sd_bus_message* message = nullptr;
  if (sd_bus_message_new_method_call(bus_, &message, kWatcher, kWatcherPath,
                                     "org.freedesktop.DBus.Properties", "Get") < 0) {
    return;
  }
  sd_bus_message_append(message, "ss", kWatcher, "IsStatusNotifierHostRegistered");
  sd_bus_slot* slot = nullptr;
  const int r = sd_bus_call_async(
      bus_, &slot, message,
      [](sd_bus_message* reply, void* data, sd_bus_error*) {
        int registered = 0;
        if (!sd_bus_message_is_method_error(reply, nullptr) &&
            sd_bus_message_read(reply, "v", "b", &registered) >= 0 && registered) {
          Item(data).host_registered_ = true;
        }
        return 0;
      },
      this, kCallTimeoutUs);
  sd_bus_message_unref(message);
  // The slot goes with the connection, which this object owns.
  if (r >= 0) {
    sd_bus_slot_set_floating(slot, 1);
    sd_bus_slot_unref(slot);
  }
}

void StatusNotifierItem::SetWatcher(Watcher watcher) {
  if (watcher == watcher_) return;
  watcher_ = watcher;
  if (events_.watcher) pending_.push_back([this, watcher] { events_.watcher(watcher); });
}

int StatusNotifierItem::Descriptor() const { return bus_ != nullptr ? sd_bus_get_fd(bus_) : -1; }

bool StatusNotifierItem::WantsWrite() const {
  return bus_ != nullptr && (sd_bus_get_events(bus_) & POLLOUT) != 0;
}

int StatusNotifierItem::TimeoutMs() const {
  std::uint64_t at = 0;
  if (bus_ == nullptr || sd_bus_get_timeout(bus_, &at) < 0) return -1;
  if ((tooltip_waits_ || label_waits_ || menu_quiet_) && menu_open_until_us_ < at) {
    at = menu_open_until_us_;
  }
  if (at == UINT64_MAX) return -1;
  const std::uint64_t now_us = NowUs();
  if (at <= now_us) return 0;
  return int((at - now_us + 999) / 1000);
}

void StatusNotifierItem::Process() {
  while (bus_ != nullptr) {
    const int r = sd_bus_process(bus_, nullptr);
    if (r == 0) break;
    if (r < 0) {
      // The bus went away: no watcher will be heard of again.
      for (sd_bus_slot* slot : slots_) sd_bus_slot_unref(slot);
      slots_.clear();
      sd_bus_close_unref(bus_);
      bus_ = nullptr;
      host_registered_ = false;
      SetWatcher(Watcher::kAbsent);
    }
  }
  std::vector<std::function<void()>> pending;
  pending.swap(pending_);
  for (auto& action : pending) action();
  EmitChanges();
}

void StatusNotifierItem::EmitChanges() {
  if (bus_ == nullptr || NowUs() < menu_open_until_us_) return;
  if (menu_quiet_) {
    menu_quiet_ = false;
    tooltip_waits_ = true;
    sd_bus_emit_signal(bus_, kItemPath, kItemInterface, "NewTitle", nullptr);
  }
  if (tooltip_waits_) {
    tooltip_waits_ = false;
    sd_bus_emit_signal(bus_, kItemPath, kItemInterface, "NewToolTip", nullptr);
  }
  if (label_waits_) {
    label_waits_ = false;
    sd_bus_emit_signal(bus_, kItemPath, kItemInterface, "XAyatanaNewLabel", "ss", label_.c_str(),
                       label_.c_str());
  }
}

void StatusNotifierItem::Show() {
  if (shown_ || bus_ == nullptr) return;
  shown_ = true;
  if (name_requested_) {
    Register();
    return;
  }
  name_requested_ = true;
  Call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "RequestName",
       [this](sd_bus_message* reply) {
         if (shown_ && !sd_bus_message_is_method_error(reply, nullptr)) Register();
       },
       bus_name_.c_str(), true);
}

void StatusNotifierItem::Hide() {
  if (!shown_) return;
  shown_ = false;
  // The watcher forgets an item whose name leaves the bus; the protocol has no other way.
  if (name_requested_) {
    name_requested_ = false;
    Call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "ReleaseName",
         nullptr, bus_name_.c_str());
  }
}

void StatusNotifierItem::Register() {
  if (watcher_ != Watcher::kPresent) return;
  Call(kWatcher, kWatcherPath, kWatcher, "RegisterStatusNotifierItem", nullptr, bus_name_.c_str());
}

void StatusNotifierItem::SetToolTip(const std::string& text) {
  if (text == tooltip_) return;
  tooltip_ = text;
  tooltip_waits_ = true;
  EmitChanges();
}

void StatusNotifierItem::SetLabel(const std::string& label) {
  if (label == label_) return;
  label_ = label;
  label_waits_ = true;
  EmitChanges();
}

void StatusNotifierItem::SetMenu(std::vector<std::string> labels) {
  if (labels == menu_) return;
  menu_ = std::move(labels);
  ++revision_;
  if (bus_ != nullptr) {
    sd_bus_emit_signal(bus_, kMenuPath, kMenuInterface, "LayoutUpdated", "ui", revision_, 0);
  }
}

}  // namespace quillenta
