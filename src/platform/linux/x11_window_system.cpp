#include "platform/linux/x11_window_system.h"

#include <xcb/xcb.h>
#include <xcb/xcb_ewmh.h>
#include <xcb/xcb_icccm.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <optional>
#include <unordered_set>
#include <utility>

#include "text/utf8.h"
#include "text/x11_text.h"

namespace quillenta {

namespace {

// Enough for any title a window manager will show; the whole value comes in one reply.
constexpr std::uint32_t kWholeProperty = 1u << 24;
// Reparenting window managers put the client a frame or two below the root's child.
constexpr int kMaxClientDepth = 4;
constexpr std::size_t kMaxGenerations = 4096;
// The property on a written window that holds what it must get back.
constexpr char kRecordAtom[] = "_QUILLENTA_BORROWED_TITLE";
constexpr char kRecordMagic[] = "QBT1";

void PutU32(std::string& out, std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<char>(value >> shift));
}
bool TakeU32(const std::string& in, std::size_t& at, std::uint32_t& value) {
  if (in.size() - at < 4) return false;
  value = 0;
  for (int i = 0; i < 4; ++i) value |= std::uint32_t{static_cast<std::uint8_t>(in[at + i])} << (8 * i);
  at += 4;
  return true;
}

struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeDeleter>;

// Takes a reply and drops the error that came instead of it, if any.
template <typename T>
Reply<T> Take(T* reply, xcb_generic_error_t* error) {
  std::free(error);
  return Reply<T>(reply);
}

std::string PropertyBytes(const xcb_get_property_reply_t* reply) {
  if (reply == nullptr || reply->type == XCB_ATOM_NONE || reply->format != 8) return {};
  const char* data = static_cast<const char*>(xcb_get_property_value(reply));
  int length = xcb_get_property_value_length(reply);
  // A title ends at its first zero byte, as a C string does (STRING lists use it as a
  // separator).
  const char* end = static_cast<const char*>(std::memchr(data, 0, length));
  return std::string(data, end != nullptr ? end : data + length);
}

bool HasAtom(const xcb_get_property_reply_t* reply, xcb_atom_t atom) {
  if (reply == nullptr || reply->format != 32) return false;
  const auto* data = static_cast<const std::uint32_t*>(xcb_get_property_value(reply));
  const int count = xcb_get_property_value_length(reply) / 4;
  return std::find(data, data + count, atom) != data + count;
}

// Holds the server between a check of a window's title properties and the writes that
// depend on it. X has no conditional write: without the grab an owner's rename could land
// between the two and be covered for good. The grab lasts one round trip.
class ServerGrab {
 public:
  explicit ServerGrab(xcb_connection_t* c) : c_(c) { xcb_grab_server(c_); }
  ~ServerGrab() {
    xcb_ungrab_server(c_);
    xcb_flush(c_);
  }
  ServerGrab(const ServerGrab&) = delete;
  ServerGrab& operator=(const ServerGrab&) = delete;

 private:
  xcb_connection_t* c_;
};

std::vector<WindowId> PropertyWindows(const xcb_get_property_reply_t* reply) {
  std::vector<WindowId> windows;
  if (reply == nullptr || reply->format != 32) return windows;
  const auto* data = static_cast<const std::uint32_t*>(xcb_get_property_value(reply));
  int count = xcb_get_property_value_length(reply) / 4;
  windows.assign(data, data + count);
  return windows;
}

}  // namespace

struct XcbWindowSystem::Connection {
  xcb_connection_t* c = nullptr;
  xcb_ewmh_connection_t ewmh{};
  bool ewmh_ready = false;
  xcb_window_t root = XCB_NONE;
  xcb_atom_t wm_state = XCB_ATOM_NONE;
  xcb_atom_t compound_text = XCB_ATOM_NONE;
  xcb_atom_t record = XCB_ATOM_NONE;

  ~Connection() {
    if (ewmh_ready) {
      xcb_ewmh_connection_wipe(&ewmh);
    }
    if (c != nullptr) xcb_disconnect(c);
  }
  bool Usable() const { return c != nullptr && ewmh_ready && xcb_connection_has_error(c) == 0; }

  xcb_get_property_cookie_t Get(xcb_window_t window, xcb_atom_t property, xcb_atom_t type,
                                std::uint32_t length = kWholeProperty) {
    return xcb_get_property(c, 0, window, property, type, 0, length);
  }
  Reply<xcb_get_property_reply_t> Wait(xcb_get_property_cookie_t cookie) {
    xcb_generic_error_t* error = nullptr;
    auto* reply = xcb_get_property_reply(c, cookie, &error);
    return Take(reply, error);
  }
  xcb_query_tree_cookie_t Tree(xcb_window_t window) { return xcb_query_tree(c, window); }
  Reply<xcb_query_tree_reply_t> Wait(xcb_query_tree_cookie_t cookie) {
    xcb_generic_error_t* error = nullptr;
    auto* reply = xcb_query_tree_reply(c, cookie, &error);
    return Take(reply, error);
  }

  // The title as a program would mean it, from either title property.
  std::string Decode(const xcb_get_property_reply_t* reply) const {
    std::string bytes = PropertyBytes(reply);
    if (reply == nullptr || bytes.empty()) return bytes;
    if (reply->type == ewmh.UTF8_STRING) return bytes;
    if (reply->type == XCB_ATOM_STRING) return Latin1ToUtf8(bytes);
    if (reply->type == compound_text) return CompoundTextToUtf8(bytes);
    // An unknown encoding: keep it when it reads as UTF-8, else take it as Latin-1.
    return IsValidUtf8(bytes) ? bytes : Latin1ToUtf8(bytes);
  }
};

struct XcbWindowSystem::PropertyRequest {
  xcb_get_property_cookie_t net_name;
  xcb_get_property_cookie_t wm_name;
};

struct XcbWindowSystem::Observation {
  WindowId target = kNoWindow;
  std::optional<PropertyRequest> title;  // none for kNoWindow, or once collected
  std::optional<std::pair<xcb_get_property_cookie_t, xcb_get_property_cookie_t>> foreground;
};

XcbWindowSystem::XcbWindowSystem(const char* display_name) : x_(std::make_unique<Connection>()) {
  int screen_number = 0;
  x_->c = xcb_connect(display_name != nullptr && *display_name != '\0' ? display_name : nullptr,
                      &screen_number);
  if (xcb_connection_has_error(x_->c) != 0) return;
  xcb_intern_atom_cookie_t wm_state = xcb_intern_atom(x_->c, 0, 8, "WM_STATE");
  xcb_intern_atom_cookie_t compound = xcb_intern_atom(x_->c, 0, 13, "COMPOUND_TEXT");
  xcb_intern_atom_cookie_t record =
      xcb_intern_atom(x_->c, 0, sizeof kRecordAtom - 1, kRecordAtom);
  xcb_intern_atom_cookie_t* cookies = xcb_ewmh_init_atoms(x_->c, &x_->ewmh);
  x_->ewmh_ready = xcb_ewmh_init_atoms_replies(&x_->ewmh, cookies, nullptr) != 0;
  for (auto [cookie, atom] :
       {std::pair{wm_state, &x_->wm_state}, std::pair{compound, &x_->compound_text},
        std::pair{record, &x_->record}}) {
    xcb_generic_error_t* error = nullptr;
    Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(x_->c, cookie, &error));
    std::free(error);
    if (reply) *atom = reply->atom;
  }
  if (!x_->ewmh_ready) return;
  const xcb_setup_t* setup = xcb_get_setup(x_->c);
  xcb_screen_iterator_t it = xcb_setup_roots_iterator(setup);
  for (int i = 0; i < screen_number && it.rem > 0; ++i) xcb_screen_next(&it);
  x_->root = it.rem > 0 ? it.data->root : XCB_NONE;
}

XcbWindowSystem::~XcbWindowSystem() {
  DropObservation();
  // Normally the caller has given its target back already; nothing of this program stays
  // in any window either way.
  if (x_->Usable()) {
    ServerGrab grab(x_->c);
    for (const auto& [xid, borrowed] : borrowed_) GiveBack(xid, borrowed);
  }
  borrowed_.clear();
  // One round trip, so that the server has applied the last writes (the titles given back
  // at shutdown) before the connection closes and anyone looks.
  if (x_->Usable()) {
    std::free(xcb_get_input_focus_reply(x_->c, xcb_get_input_focus(x_->c), nullptr));
  }
}

int XcbWindowSystem::ConnectionFd() const {
  return x_->c != nullptr ? xcb_get_file_descriptor(x_->c) : -1;
}

bool XcbWindowSystem::ConnectionBroken() {
  // Reading is also how a closed connection is noticed.
  ReadNotices();
  return ConnectionLost();
}

bool XcbWindowSystem::ConnectionLost() const {
  return x_->c == nullptr || !x_->ewmh_ready || xcb_connection_has_error(x_->c) != 0;
}

void XcbWindowSystem::ProcessQueuedEvents() {
  while (xcb_generic_event_t* event = xcb_poll_for_queued_event(x_->c)) {
    TakeEvent(event);
    std::free(event);
  }
}

void XcbWindowSystem::TakeEvent(const xcb_generic_event_t* event) {
  switch (event->response_type & 0x7f) {
    case XCB_DESTROY_NOTIFY:
      Bury(reinterpret_cast<const xcb_destroy_notify_event_t*>(event)->window);
      break;
    case XCB_PROPERTY_NOTIFY: {
      const auto* change = reinterpret_cast<const xcb_property_notify_event_t*>(event);
      if (change->window != followed_) break;
      const bool net = change->atom == x_->ewmh._NET_WM_NAME;
      if (!net && change->atom != XCB_ATOM_WM_NAME) break;
      // A toolkit sets both names one after the other; only the one the title is read from
      // tells, so that the title is never read between the two.
      const bool has_net_name = last_read_ && last_read_->xid == followed_ &&
                                last_read_->properties.net_name.type != XCB_ATOM_NONE;
      if (net || !has_net_name) retitled_ = true;
      break;
    }
    default:
      break;
  }
}

void XcbWindowSystem::FollowTitle(WindowId window) {
  if (!x_->Usable()) return;
  const xcb_window_t xid = Current(window) ? Xid(window) : XCB_NONE;
  if (xid == followed_) return;
  const std::uint32_t structure = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
  const std::uint32_t with_properties = structure | XCB_EVENT_MASK_PROPERTY_CHANGE;
  if (followed_ != XCB_NONE && watched_.count(followed_) != 0) {
    xcb_change_window_attributes(x_->c, followed_, XCB_CW_EVENT_MASK, &structure);
  }
  followed_ = xid;
  retitled_ = false;
  if (xid == XCB_NONE) return;
  Watch(xid);
  xcb_change_window_attributes(x_->c, xid, XCB_CW_EVENT_MASK, &with_properties);
  xcb_flush(x_->c);
}

void XcbWindowSystem::ReadNotices() {
  if (!x_->Usable()) return;
  // What is queued, or else one read of the socket: anything left unread keeps the shell's
  // watch of the descriptor firing, so a second read that would find nothing is spared.
  if (xcb_generic_event_t* event = xcb_poll_for_event(x_->c)) {
    TakeEvent(event);
    std::free(event);
  }
  ProcessQueuedEvents();
}

bool XcbWindowSystem::TakeRetitle() {
  if (!x_->Usable()) return false;
  ProcessQueuedEvents();
  return std::exchange(retitled_, false);
}

WindowId XcbWindowSystem::Handle(xcb_window_t xid) const {
  if (xid == XCB_NONE) return kNoWindow;
  auto it = generation_.find(xid);
  std::uint64_t generation = it == generation_.end() ? 0 : it->second;
  return generation << 32 | xid;
}

void XcbWindowSystem::Bury(xcb_window_t xid) {
  // Old generations only matter while someone still holds a handle of one; a bound keeps a
  // day of churning windows from growing the map without end.
  if (generation_.size() >= kMaxGenerations && generation_.count(xid) == 0) generation_.clear();
  ++generation_[xid];
  watched_.erase(xid);
  borrowed_.erase(xid);
  if (xid == followed_) followed_ = XCB_NONE;
  if (xid == manager_check_) manager_check_ = XCB_NONE;
  if (last_read_ && last_read_->xid == xid) last_read_.reset();
}

void XcbWindowSystem::Watch(xcb_window_t xid) {
  if (xid == XCB_NONE || watched_.count(xid) != 0) return;
  if (watched_.size() >= kMaxGenerations) watched_.clear();
  const std::uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY |
                             (xid == followed_ ? XCB_EVENT_MASK_PROPERTY_CHANGE : 0);
  xcb_change_window_attributes(x_->c, xid, XCB_CW_EVENT_MASK, &mask);
  watched_.insert(xid);
}

WindowId XcbWindowSystem::ForegroundWindow() {
  if (!x_->Usable()) return kNoWindow;
  ProcessQueuedEvents();
  if (observation_ && observation_->foreground) {
    auto [active, check] = *observation_->foreground;
    observation_->foreground.reset();
    return CollectForeground(active, check);
  }
  // Both in one round trip: whether an EWMH window manager runs decides what a missing
  // active window means.
  auto active = x_->Get(x_->root, x_->ewmh._NET_ACTIVE_WINDOW, XCB_ATOM_WINDOW, 1);
  auto check = x_->Get(x_->root, x_->ewmh._NET_SUPPORTING_WM_CHECK, XCB_ATOM_WINDOW, 1);
  return CollectForeground(active, check);
}

WindowId XcbWindowSystem::CollectForeground(xcb_get_property_cookie_t active_cookie,
                                            xcb_get_property_cookie_t check_cookie) {
  auto reply = x_->Wait(active_cookie);
  auto check = x_->Wait(check_cookie);
  auto window_in = [](const Reply<xcb_get_property_reply_t>& r) -> xcb_window_t {
    if (!r || r->type != XCB_ATOM_WINDOW || r->format != 32 ||
        xcb_get_property_value_length(r.get()) < 4) {
      return XCB_NONE;
    }
    return *static_cast<const std::uint32_t*>(xcb_get_property_value(r.get()));
  };
  ProcessQueuedEvents();
  xcb_window_t active = XCB_NONE;
  if (!ManagerRuns(window_in(check))) {
    // The root's active window outlives the manager that set it.
    active = Xid(FocusedClient());
  } else if (reply && reply->type == XCB_ATOM_WINDOW) {
    active = window_in(reply);
  }
  // An EWMH window manager with no active window leaves `active` none: nothing is in the
  // foreground. The input focus then rests on one of the manager's own windows, which must
  // never be written.
  // Deaths the server reported before this answer count before the handle is made, so a new
  // window that took a dead one's XID gets a handle of its own.
  ProcessQueuedEvents();
  Watch(active);
  return Handle(active);
}

void XcbWindowSystem::PrepareObservation(WindowId target) {
  DropObservation();
  if (!x_->Usable()) return;
  observation_ = std::make_unique<Observation>();
  observation_->target = target;
  if (target != kNoWindow && Current(target)) {
    xcb_window_t xid = Xid(target);
    observation_->title = PropertyRequest{x_->Get(xid, x_->ewmh._NET_WM_NAME, XCB_ATOM_ANY),
                                          x_->Get(xid, XCB_ATOM_WM_NAME, XCB_ATOM_ANY)};
  }
  observation_->foreground = {
      x_->Get(x_->root, x_->ewmh._NET_ACTIVE_WINDOW, XCB_ATOM_WINDOW, 1),
      x_->Get(x_->root, x_->ewmh._NET_SUPPORTING_WM_CHECK, XCB_ATOM_WINDOW, 1)};
  xcb_flush(x_->c);
}

// Replies nobody will collect are thrown away, so that they do not pile up in xcb.
void XcbWindowSystem::DropObservation() {
  if (!observation_) return;
  if (x_->c != nullptr) {
    if (observation_->title) {
      xcb_discard_reply(x_->c, observation_->title->net_name.sequence);
      xcb_discard_reply(x_->c, observation_->title->wm_name.sequence);
    }
    if (observation_->foreground) {
      xcb_discard_reply(x_->c, observation_->foreground->first.sequence);
      xcb_discard_reply(x_->c, observation_->foreground->second.sequence);
    }
  }
  observation_.reset();
}

bool XcbWindowSystem::ManagerRuns(xcb_window_t check) {
  if (check == XCB_NONE) return false;
  if (check == manager_check_) return true;
  // Watched before the look, so that an end after the look is heard of; a window that names
  // itself is the sign of a live manager.
  Watch(check);
  auto self = x_->Wait(x_->Get(check, x_->ewmh._NET_SUPPORTING_WM_CHECK, XCB_ATOM_WINDOW, 1));
  const bool runs = self && self->type == XCB_ATOM_WINDOW && self->format == 32 &&
                    xcb_get_property_value_length(self.get()) >= 4 &&
                    *static_cast<const std::uint32_t*>(xcb_get_property_value(self.get())) == check;
  ProcessQueuedEvents();
  if (runs && watched_.count(check) != 0) manager_check_ = check;
  return runs;
}

// Without an EWMH window manager: the client window of the top-level window that holds
// the input focus.
WindowId XcbWindowSystem::FocusedClient() {
  xcb_generic_error_t* error = nullptr;
  Reply<xcb_get_input_focus_reply_t> focus(
      xcb_get_input_focus_reply(x_->c, xcb_get_input_focus(x_->c), &error));
  std::free(error);
  if (!focus) return kNoWindow;
  xcb_window_t window = focus->focus;
  if (window == XCB_NONE || window == XCB_INPUT_FOCUS_POINTER_ROOT || window == x_->root) {
    return kNoWindow;
  }
  for (int guard = 0; guard < 64; ++guard) {
    auto tree = x_->Wait(x_->Tree(window));
    if (!tree) return kNoWindow;
    if (tree->parent == x_->root || tree->parent == XCB_NONE) break;
    window = tree->parent;
  }
  std::vector<WindowId> clients = ClientsBelow({window});
  return clients.empty() ? window : clients.front();
}

// For each top-level window, the window at or below it that carries WM_STATE (the client
// a window manager has framed); tops without one are left out. One round trip per level.
std::vector<WindowId> XcbWindowSystem::ClientsBelow(const std::vector<WindowId>& tops) {
  std::vector<WindowId> clients;
  std::vector<WindowId> level = tops;
  for (int depth = 0; depth < kMaxClientDepth && !level.empty(); ++depth) {
    std::vector<xcb_get_property_cookie_t> states;
    states.reserve(level.size());
    for (WindowId w : level) states.push_back(x_->Get(w, x_->wm_state, XCB_ATOM_ANY, 0));
    std::vector<WindowId> unresolved;
    for (std::size_t i = 0; i < level.size(); ++i) {
      auto reply = x_->Wait(states[i]);
      if (!reply) continue;
      if (reply->type != XCB_ATOM_NONE) {
        clients.push_back(level[i]);
      } else {
        unresolved.push_back(level[i]);
      }
    }
    if (depth + 1 == kMaxClientDepth) break;
    std::vector<xcb_query_tree_cookie_t> trees;
    trees.reserve(unresolved.size());
    for (WindowId w : unresolved) trees.push_back(x_->Tree(w));
    level.clear();
    for (auto& cookie : trees) {
      auto tree = x_->Wait(cookie);
      if (!tree) continue;
      const xcb_window_t* children = xcb_query_tree_children(tree.get());
      level.insert(level.end(), children, children + xcb_query_tree_children_length(tree.get()));
    }
  }
  return clients;
}

std::vector<WindowId> XcbWindowSystem::ManagedWindows() {
  auto list = x_->Wait(x_->Get(x_->root, x_->ewmh._NET_CLIENT_LIST, XCB_ATOM_WINDOW));
  if (list && list->type == XCB_ATOM_WINDOW) return PropertyWindows(list.get());
  auto tree = x_->Wait(x_->Tree(x_->root));
  if (!tree) return {};
  const xcb_window_t* children = xcb_query_tree_children(tree.get());
  return ClientsBelow(
      std::vector<WindowId>(children, children + xcb_query_tree_children_length(tree.get())));
}

std::vector<std::string> XcbWindowSystem::ReadTitles(const std::vector<WindowId>& windows,
                                                     std::vector<std::size_t>* gone) {
  // Both properties are asked for at once: one round trip whichever of them the window has.
  std::vector<PropertyRequest> requests;
  requests.reserve(windows.size());
  for (WindowId w : windows) {
    requests.push_back({x_->Get(w, x_->ewmh._NET_WM_NAME, XCB_ATOM_ANY),
                        x_->Get(w, XCB_ATOM_WM_NAME, XCB_ATOM_ANY)});
  }
  std::vector<std::string> titles;
  titles.reserve(windows.size());
  for (std::size_t i = 0; i < windows.size(); ++i) {
    bool window_gone = false;
    titles.push_back(CollectTitle(windows[i], requests[i], &window_gone));
    if (window_gone && gone != nullptr) gone->push_back(i);
  }
  return titles;
}

std::string XcbWindowSystem::CollectTitle(WindowId window, const PropertyRequest& request,
                                          bool* gone, TitleProperties* raw) {
  auto net = x_->Wait(request.net_name);
  auto legacy = x_->Wait(request.wm_name);
  if (!net && !legacy) {
    *gone = true;
    return {};
  }
  if (raw != nullptr) *raw = {RawProperty(net.get()), RawProperty(legacy.get())};
  bool has_net = net && net->type != XCB_ATOM_NONE && net->format == 8;
  bool has_legacy = legacy && legacy->type != XCB_ATOM_NONE && legacy->format == 8;
  auto borrowed = borrowed_.find(Xid(window));
  if (borrowed != borrowed_.end()) {
    // A property that is no longer this program's last write was set by the owner since:
    // it is the window's own title from now on, and what goes back.
    auto owner_set = [](const xcb_get_property_reply_t* reply, const TitleProperty& written,
                        TitleProperty& own) {
      if (reply == nullptr) return false;
      TitleProperty now = RawProperty(reply);
      if (now == written) return false;
      own = std::move(now);
      return true;
    };
    Borrowed& b = borrowed->second;
    bool net_set = owner_set(net.get(), b.written.net_name, b.own.net_name);
    bool legacy_set = owner_set(legacy.get(), b.written.wm_name, b.own.wm_name);
    if (net_set && has_net) return x_->Decode(net.get());
    if (legacy_set && has_legacy) return x_->Decode(legacy.get());
    if (!net_set && !legacy_set && net && legacy) return b.line;
  }
  return has_net ? x_->Decode(net.get()) : x_->Decode(legacy.get());
}

std::string XcbWindowSystem::ReadTitle(WindowId window) {
  if (window == kNoWindow || !x_->Usable()) return {};
  ProcessQueuedEvents();
  if (!Current(window)) return {};
  xcb_window_t xid = Xid(window);
  PropertyRequest request;
  if (observation_ && observation_->title && observation_->target == window) {
    request = *observation_->title;
    observation_->title.reset();
  } else {
    request = {x_->Get(xid, x_->ewmh._NET_WM_NAME, XCB_ATOM_ANY),
               x_->Get(xid, XCB_ATOM_WM_NAME, XCB_ATOM_ANY)};
  }
  bool gone = false;
  TitleProperties raw;
  std::string title = CollectTitle(xid, request, &gone, &raw);
  ProcessQueuedEvents();
  if (!Current(window)) return {};
  if (gone) {
    Bury(xid);
    return {};
  }
  last_read_ = LastRead{xid, std::move(raw)};
  return title;
}

void XcbWindowSystem::WriteTitle(WindowId window, const std::string& title) {
  if (window == kNoWindow || !x_->Usable()) return;
  ProcessQueuedEvents();
  if (!Current(window)) return;
  const xcb_window_t xid = Xid(window);
  Write(xid, title);
}

// The server would tell this connection of its own changes to the followed window, each a
// wakeup of the program for nothing. Under the grab no other client's change can fall in
// between, so hearing nothing while the changes are made loses nothing of the owner's.
XcbWindowSystem::Unheard::Unheard(XcbWindowSystem& system, xcb_window_t xid)
    : c_(xid == system.followed_ ? system.x_->c : nullptr), xid_(xid) {
  if (c_ == nullptr) return;
  const std::uint32_t structure = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
  xcb_change_window_attributes(c_, xid_, XCB_CW_EVENT_MASK, &structure);
}

XcbWindowSystem::Unheard::~Unheard() {
  if (c_ == nullptr) return;
  const std::uint32_t heard = XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE;
  xcb_change_window_attributes(c_, xid_, XCB_CW_EVENT_MASK, &heard);
}

void XcbWindowSystem::Write(xcb_window_t xid, const std::string& title) {
  const WindowId window = Handle(xid);
  ServerGrab grab(x_->c);
  std::optional<TitleProperties> now = ReadProperties(xid);
  ProcessQueuedEvents();
  if (!Current(window)) return;
  if (!now) {
    Bury(xid);
    return;
  }
  // The owner has retitled the window since its title was read: the line, made from the old
  // title, must not cover the new one. The next read takes it as the window's own.
  if (last_read_ && last_read_->xid == xid && last_read_->properties != *now) return;
  auto borrowed = borrowed_.find(xid);
  if (borrowed == borrowed_.end()) {
    // What the owner has set, taken before the first write covers it.
    borrowed = borrowed_.emplace(xid, Borrowed{std::move(*now), {}, {}}).first;
  }
  borrowed->second.line = title;
  TitleProperties& written = borrowed->second.written;
  written.net_name = {x_->ewmh.UTF8_STRING, 8, title};
  std::string latin1;
  if (Utf8ToLatin1(title, latin1)) {
    written.wm_name = {XCB_ATOM_STRING, 8, std::move(latin1)};
  } else {
    written.wm_name = {x_->ewmh.UTF8_STRING, 8, title};
  }
  Unheard unheard(*this, xid);
  // The record goes first: a crash while the requests are sent may leave it without the line,
  // which the next start ignores, but never the line without it.
  Put(xid, x_->record, {x_->record, 8, EncodeRecord(borrowed->second)});
  Put(xid, x_->ewmh._NET_WM_NAME, written.net_name);
  Put(xid, XCB_ATOM_WM_NAME, written.wm_name);
  last_read_ = LastRead{xid, written};
}

void XcbWindowSystem::RestoreTitle(WindowId window, const std::string& /*title*/) {
  if (window == kNoWindow || !x_->Usable()) return;
  ProcessQueuedEvents();
  if (!Current(window)) return;
  // A window never written into still shows what its owner set.
  auto borrowed = borrowed_.find(Xid(window));
  if (borrowed == borrowed_.end()) return;
  {
    ServerGrab grab(x_->c);
    GiveBack(borrowed->first, borrowed->second);
  }
  if (last_read_ && last_read_->xid == borrowed->first) last_read_.reset();
  borrowed_.erase(borrowed);
}

// The properties are read again first, with the server held: one the owner set after the
// last read is its own already and stays as it is.
void XcbWindowSystem::GiveBack(xcb_window_t xid, const Borrowed& borrowed) {
  std::optional<TitleProperties> now = ReadProperties(xid);
  if (!now) return;
  Unheard unheard(*this, xid);
  if (now->net_name == borrowed.written.net_name) {
    Put(xid, x_->ewmh._NET_WM_NAME, borrowed.own.net_name);
  }
  if (now->wm_name == borrowed.written.wm_name) Put(xid, XCB_ATOM_WM_NAME, borrowed.own.wm_name);
  xcb_delete_property(x_->c, xid, x_->record);
}

std::string XcbWindowSystem::EncodeRecord(const Borrowed& borrowed) {
  std::string out(kRecordMagic, sizeof kRecordMagic - 1);
  for (const TitleProperty* p : {&borrowed.own.net_name, &borrowed.own.wm_name,
                                 &borrowed.written.net_name, &borrowed.written.wm_name}) {
    PutU32(out, p->type);
    out.push_back(static_cast<char>(p->format));
    PutU32(out, static_cast<std::uint32_t>(p->value.size()));
    out += p->value;
  }
  return out;
}

std::optional<XcbWindowSystem::Borrowed> XcbWindowSystem::DecodeRecord(const std::string& bytes) {
  constexpr std::size_t kMagic = sizeof kRecordMagic - 1;
  if (bytes.compare(0, kMagic, kRecordMagic, kMagic) != 0) return std::nullopt;
  Borrowed borrowed;
  std::size_t at = kMagic;
  for (TitleProperty* p : {&borrowed.own.net_name, &borrowed.own.wm_name,
                           &borrowed.written.net_name, &borrowed.written.wm_name}) {
    std::uint32_t length = 0;
    if (!TakeU32(bytes, at, p->type) || at == bytes.size()) return std::nullopt;
    p->format = static_cast<std::uint8_t>(bytes[at++]);
    if (!TakeU32(bytes, at, length) || bytes.size() - at < length) return std::nullopt;
    if (p->format != 8 && p->format != 16 && p->format != 32) return std::nullopt;
    if (length % (p->format / 8) != 0) return std::nullopt;
    p->value.assign(bytes, at, length);
    at += length;
  }
  if (at != bytes.size()) return std::nullopt;
  return borrowed;
}

// Each window is looked at once, its record and its title in one round trip for all; a
// window carries the line of the record only where this program's write is still there.
void XcbWindowSystem::GiveBackLeftTitles() {
  if (!x_->Usable() || x_->record == XCB_ATOM_NONE) return;
  std::vector<WindowId> windows = AllCandidates();
  std::vector<xcb_get_property_cookie_t> records;
  records.reserve(windows.size());
  for (WindowId w : windows) records.push_back(x_->Get(Xid(w), x_->record, x_->record));
  std::vector<std::pair<xcb_window_t, std::optional<Borrowed>>> left;
  for (std::size_t i = 0; i < windows.size(); ++i) {
    auto reply = x_->Wait(records[i]);
    if (!reply || reply->type != x_->record || reply->format != 8) continue;
    std::string bytes(static_cast<const char*>(xcb_get_property_value(reply.get())),
                      xcb_get_property_value_length(reply.get()));
    left.emplace_back(Xid(windows[i]), DecodeRecord(bytes));
  }
  if (left.empty()) return;
  ServerGrab grab(x_->c);
  for (const auto& [xid, borrowed] : left) {
    if (borrowed) {
      GiveBack(xid, *borrowed);
    } else {
      xcb_delete_property(x_->c, xid, x_->record);
    }
  }
}

std::vector<WindowId> XcbWindowSystem::AllCandidates() {
  std::vector<WindowId> candidates;
  auto list = x_->Wait(x_->Get(x_->root, x_->ewmh._NET_CLIENT_LIST, XCB_ATOM_WINDOW));
  if (list && list->type == XCB_ATOM_WINDOW) candidates = PropertyWindows(list.get());
  if (auto tree = x_->Wait(x_->Tree(x_->root))) {
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    std::vector<WindowId> tops(children, children + xcb_query_tree_children_length(tree.get()));
    std::vector<WindowId> clients = ClientsBelow(tops);
    candidates.insert(candidates.end(), tops.begin(), tops.end());
    candidates.insert(candidates.end(), clients.begin(), clients.end());
  }
  std::unordered_set<WindowId> seen;
  std::vector<WindowId> unique;
  for (WindowId w : candidates) {
    if (seen.insert(w).second) unique.push_back(w);
  }
  return unique;
}

XcbWindowSystem::TitleProperty XcbWindowSystem::RawProperty(const xcb_get_property_reply_t* reply) {
  TitleProperty property;
  if (reply == nullptr || reply->type == XCB_ATOM_NONE || reply->format == 0) return property;
  property.type = reply->type;
  property.format = reply->format;
  property.value.assign(static_cast<const char*>(xcb_get_property_value(reply)),
                        xcb_get_property_value_length(reply));
  return property;
}

std::optional<XcbWindowSystem::TitleProperties> XcbWindowSystem::ReadProperties(xcb_window_t xid) {
  auto net = x_->Get(xid, x_->ewmh._NET_WM_NAME, XCB_ATOM_ANY);
  auto legacy = x_->Get(xid, XCB_ATOM_WM_NAME, XCB_ATOM_ANY);
  auto net_reply = x_->Wait(net);
  auto legacy_reply = x_->Wait(legacy);
  if (!net_reply || !legacy_reply) return std::nullopt;
  return TitleProperties{RawProperty(net_reply.get()), RawProperty(legacy_reply.get())};
}

void XcbWindowSystem::Put(xcb_window_t xid, xcb_atom_t property, const TitleProperty& value) {
  if (value.type == XCB_ATOM_NONE) {
    xcb_delete_property(x_->c, xid, property);
    return;
  }
  const std::uint32_t units = static_cast<std::uint32_t>(value.value.size() / (value.format / 8));
  xcb_change_property(x_->c, XCB_PROP_MODE_REPLACE, xid, property, value.type, value.format, units,
                      value.value.data());
}

WindowId XcbWindowSystem::FindWindowByTitle(const std::string& title) {
  if (!x_->Usable()) return kNoWindow;
  ProcessQueuedEvents();
  std::vector<WindowId> windows = ManagedWindows();
  std::vector<std::size_t> gone;
  std::vector<std::string> titles = ReadTitles(windows, &gone);
  for (std::size_t i = 0; i < windows.size(); ++i) {
    if (titles[i] == title && std::find(gone.begin(), gone.end(), i) == gone.end()) {
      return Handle(static_cast<xcb_window_t>(windows[i]));
    }
  }
  return kNoWindow;
}

WindowId XcbWindowSystem::FindPanel() {
  if (!x_->Usable()) return kNoWindow;
  ProcessQueuedEvents();
  // Panels are often left out of the client list, so the root's children and their
  // clients are asked as well.
  std::vector<WindowId> unique = AllCandidates();
  std::vector<xcb_get_property_cookie_t> types;
  types.reserve(unique.size());
  for (WindowId w : unique) {
    types.push_back(x_->Get(w, x_->ewmh._NET_WM_WINDOW_TYPE, XCB_ATOM_ATOM, 64));
  }
  WindowId panel = kNoWindow;
  for (std::size_t i = 0; i < unique.size(); ++i) {
    auto reply = x_->Wait(types[i]);
    if (panel == kNoWindow && HasAtom(reply.get(), x_->ewmh._NET_WM_WINDOW_TYPE_DOCK)) {
      panel = unique[i];
    }
  }
  return Handle(static_cast<xcb_window_t>(panel));
}

bool XcbWindowSystem::IsPanel(WindowId window) {
  if (window == kNoWindow || !x_->Usable()) return false;
  ProcessQueuedEvents();
  if (!Current(window)) return false;
  auto reply = x_->Wait(x_->Get(Xid(window), x_->ewmh._NET_WM_WINDOW_TYPE, XCB_ATOM_ATOM, 64));
  return HasAtom(reply.get(), x_->ewmh._NET_WM_WINDOW_TYPE_DOCK);
}

}  // namespace quillenta
