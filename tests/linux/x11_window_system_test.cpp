#include <algorithm>
// XcbWindowSystem against a real X server: each test binary starts a private Xvfb.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/linux/x11_window_system.h"
#include "text/x11_text.h"

namespace quillenta {
namespace {

class Xvfb {
 public:
  // Starts a server on a free display number; display() is empty when that failed.
  Xvfb() {
    int fds[2];
    if (pipe(fds) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      close(fds[0]);
      std::string fd = std::to_string(fds[1]);
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-noreset", "-nolisten", "tcp", "-screen",
             "0", "320x240x24", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    char c;
    while (poll(&p, 1, 15000) == 1 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    if (!number.empty()) display_ = ":" + number;
  }
  ~Xvfb() { Stop(); }
  void Stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
  const std::string& display() const { return display_; }

 private:
  pid_t pid_ = -1;
  std::string display_;
};

// Started on first use, so that listing the tests starts no server.
Xvfb* Server() {
  static Xvfb xvfb;
  return &xvfb;
}

// What the owner of a window has set: each of the two title properties, or none.
struct Titles {
  const char* net_type;  // null: never set
  std::string net;
  const char* wm_type;
  std::string wm;
};

// A second client that plays the window owners and the window manager.
class X11WindowSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(Server()->display().empty()) << "Xvfb did not start";
    c_ = xcb_connect(Server()->display().c_str(), nullptr);
    ASSERT_EQ(xcb_connection_has_error(c_), 0);
    root_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root;
    windows_ = std::make_unique<XcbWindowSystem>(Server()->display().c_str());
    ASSERT_FALSE(windows_->ConnectionBroken());
    // A clean root for every test.
    for (const char* name :
         {"_NET_ACTIVE_WINDOW", "_NET_CLIENT_LIST", "_NET_SUPPORTING_WM_CHECK"}) {
      xcb_delete_property(c_, root_, Atom(name));
    }
    // The test plays an EWMH window manager unless it says otherwise.
    xcb_window_t manager = Create();
    SetWindows(manager, "_NET_SUPPORTING_WM_CHECK", "WINDOW", {manager});
    SetWindows(root_, "_NET_SUPPORTING_WM_CHECK", "WINDOW", {manager});
  }
  void TearDown() override {
    for (xcb_window_t w : created_) xcb_destroy_window(c_, w);
    Sync();
    xcb_disconnect(c_);
  }

  xcb_atom_t Atom(const char* name) {
    auto* reply = xcb_intern_atom_reply(
        c_, xcb_intern_atom(c_, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
    xcb_atom_t atom = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return atom;
  }
  void Sync() { std::free(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr)); }

  xcb_window_t Create(xcb_window_t parent = XCB_NONE, bool map = false) {
    xcb_window_t w = xcb_generate_id(c_);
    xcb_create_window(c_, XCB_COPY_FROM_PARENT, w, parent == XCB_NONE ? root_ : parent, 0, 0, 50,
                      50, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
    if (map) xcb_map_window(c_, w);
    if (parent == XCB_NONE) created_.push_back(w);
    Sync();
    return w;
  }
  // A top-level window as a window manager sees it once it manages the window.
  xcb_window_t CreateClient(const std::string& title) {
    xcb_window_t w = Create();
    SetProperty(w, "_NET_WM_NAME", "UTF8_STRING", title);
    MarkManaged(w);
    return w;
  }
  void MarkManaged(xcb_window_t w) {
    std::uint32_t state[2] = {1, XCB_NONE};
    xcb_atom_t wm_state = Atom("WM_STATE");
    xcb_change_property(c_, XCB_PROP_MODE_REPLACE, w, wm_state, wm_state, 32, 2, state);
    Sync();
  }
  void SetProperty(xcb_window_t w, const char* name, const char* type, const std::string& value) {
    xcb_change_property(c_, XCB_PROP_MODE_REPLACE, w, Atom(name), Atom(type), 8,
                        static_cast<std::uint32_t>(value.size()), value.data());
    Sync();
  }
  void SetWindows(xcb_window_t w, const char* name, const char* type,
                  const std::vector<xcb_window_t>& values) {
    xcb_change_property(c_, XCB_PROP_MODE_REPLACE, w, Atom(name), Atom(type), 32,
                        static_cast<std::uint32_t>(values.size()), values.data());
    Sync();
  }
  struct Property {
    std::string type;  // empty: the window has no such property
    std::string value;
    bool operator==(const Property&) const = default;
  };
  xcb_window_t CreateOwned(const Titles& t) {
    xcb_window_t w = Create();
    if (t.net_type != nullptr) SetProperty(w, "_NET_WM_NAME", t.net_type, t.net);
    if (t.wm_type != nullptr) SetProperty(w, "WM_NAME", t.wm_type, t.wm);
    MarkManaged(w);
    return w;
  }
  // Both title properties of `w` equal those of `twin`, a window that was never written.
  void ExpectSameTitles(xcb_window_t w, xcb_window_t twin, const std::string& when) {
    // A reply on the writer's own connection proves its writes landed.
    if (windows_) windows_->ReadTitle(w);
    Sync();
    for (const char* name : {"_NET_WM_NAME", "WM_NAME"}) {
      Property got = Get(w, name);
      Property want = Get(twin, name);
      EXPECT_EQ(got.type, want.type) << name << ", " << when;
      EXPECT_EQ(got.value, want.value) << name << ", " << when;
    }
  }
  Property Get(xcb_window_t w, const char* name) {
    auto* reply = xcb_get_property_reply(
        c_, xcb_get_property(c_, 0, w, Atom(name), XCB_ATOM_ANY, 0, 1 << 20), nullptr);
    Property p;
    if (reply != nullptr && reply->type != XCB_ATOM_NONE) {
      auto* name_reply = xcb_get_atom_name_reply(c_, xcb_get_atom_name(c_, reply->type), nullptr);
      p.type.assign(xcb_get_atom_name_name(name_reply), xcb_get_atom_name_name_length(name_reply));
      std::free(name_reply);
      p.value.assign(static_cast<const char*>(xcb_get_property_value(reply)),
                     xcb_get_property_value_length(reply));
    }
    std::free(reply);
    return p;
  }

  xcb_connection_t* c_ = nullptr;
  xcb_window_t root_ = XCB_NONE;
  std::unique_ptr<XcbWindowSystem> windows_;
  std::vector<xcb_window_t> created_;
};

TEST_F(X11WindowSystemTest, WrittenTitlesReadBackWithCorrectPropertyTypes) {
  struct Case {
    std::string title;
    std::string wm_name_type;
    std::string wm_name_bytes;
  };
  const Case cases[] = {
      {"Editor - notes.txt", "STRING", "Editor - notes.txt"},
      {"Caf\xC3\xA9 \xC3\x9C"
       "ber",
       "STRING",
       "Caf\xE9 \xDC"
       "ber"},
      {"\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E 2026/12/8 (\xE7\x81\xAB)", "UTF8_STRING",
       "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E 2026/12/8 (\xE7\x81\xAB)"},
      {"", "STRING", ""},
  };
  xcb_window_t w = CreateClient("own title");
  for (const Case& c : cases) {
    windows_->WriteTitle(w, c.title);
    // Read back on the writer's own connection first: its reply proves the write landed.
    EXPECT_EQ(windows_->ReadTitle(w), c.title);
    Property net = Get(w, "_NET_WM_NAME");
    Property legacy = Get(w, "WM_NAME");
    EXPECT_EQ(net.type, "UTF8_STRING") << c.title;
    EXPECT_EQ(net.value, c.title);
    EXPECT_EQ(legacy.type, c.wm_name_type) << c.title;
    EXPECT_EQ(legacy.value, c.wm_name_bytes) << c.title;
  }
}

TEST_F(X11WindowSystemTest, ReadsTitlesFromEitherPropertyInAnyEncoding) {
  struct Case {
    const char* property;
    const char* type;
    std::string bytes;
    std::string expected;
  };
  const Case cases[] = {
      {"_NET_WM_NAME", "UTF8_STRING", "\xE3\x83\xA1\xE3\x83\xA2", "\xE3\x83\xA1\xE3\x83\xA2"},
      {"WM_NAME", "STRING", "na\xEFve", "na\xC3\xAFve"},
      {"WM_NAME", "UTF8_STRING", "\xE3\x83\xA1\xE3\x83\xA2", "\xE3\x83\xA1\xE3\x83\xA2"},
      {"WM_NAME", "COMPOUND_TEXT", "caf\xE9", "caf\xC3\xA9"},
      // JIS X 0208 into G1, then back to Latin-1
      {"WM_NAME", "COMPOUND_TEXT", "a\x1B$)B\xC6\xFC\xCB\xDC\x1B-A\xE9",
       "a\xE6\x97\xA5\xE6\x9C\xAC\xC3\xA9"},
      // a UTF-8 segment
      {"WM_NAME", "COMPOUND_TEXT", "x\x1B%G\xE2\x82\xAC\x1B%@y",
       "x\xE2\x82\xAC"
       "y"},
      // a title ends at its first zero byte
      {"WM_NAME", "STRING", std::string("one\0two", 7), "one"},
  };
  for (const Case& c : cases) {
    xcb_window_t w = Create();
    SetProperty(w, c.property, c.type, c.bytes);
    EXPECT_EQ(windows_->ReadTitle(w), c.expected) << c.property << " " << c.type;
  }
}

TEST_F(X11WindowSystemTest, ALineReadsBackAsWrittenWhateverTheServerKeeps) {
  xcb_window_t w = CreateClient("own");
  for (const std::string& line : {std::string("M\0X: 12:00", 11), std::string("\xFF\xFE raw")}) {
    windows_->ReadTitle(w);
    windows_->WriteTitle(w, line);
    EXPECT_EQ(windows_->ReadTitle(w), line);
  }
  SetProperty(w, "_NET_WM_NAME", "UTF8_STRING", std::string("owner\0tail", 10));
  EXPECT_EQ(windows_->ReadTitle(w), "owner");
}

TEST_F(X11WindowSystemTest, LongTitlesAreReadWhole) {
  std::string title;
  while (title.size() < 600) title += "0123456789\xE3\x81\x82";
  xcb_window_t net = Create();
  SetProperty(net, "_NET_WM_NAME", "UTF8_STRING", title);
  xcb_window_t legacy = Create();
  SetProperty(legacy, "WM_NAME", "UTF8_STRING", title);
  EXPECT_EQ(windows_->ReadTitle(net), title);
  EXPECT_EQ(windows_->ReadTitle(legacy), title);
  windows_->WriteTitle(net, title + "!");
  EXPECT_EQ(windows_->ReadTitle(net), title + "!");
}

TEST_F(X11WindowSystemTest, DestroyedWindowReadsEmptyAndIgnoresWrites) {
  xcb_window_t live = CreateClient("still here");
  xcb_window_t gone = CreateClient("going");
  xcb_destroy_window(c_, gone);
  Sync();
  EXPECT_EQ(windows_->ReadTitle(gone), "");
  for (int i = 0; i < 50; ++i) windows_->WriteTitle(gone, "line " + std::to_string(i));
  EXPECT_EQ(windows_->ReadTitle(gone), "");
  EXPECT_EQ(windows_->ReadTitle(kNoWindow), "");
  windows_->WriteTitle(kNoWindow, "nowhere");
  // The errors of those writes are absorbed; the connection keeps working.
  EXPECT_FALSE(windows_->ConnectionBroken());
  EXPECT_EQ(windows_->ReadTitle(live), "still here");
  SetWindows(root_, "_NET_CLIENT_LIST", "WINDOW", {gone, live});
  EXPECT_EQ(windows_->FindWindowByTitle("still here"), live);
  EXPECT_EQ(windows_->FindWindowByTitle(""), kNoWindow) << live << " " << gone;
}

TEST_F(X11WindowSystemTest, OwnerChangingOnlyWmNameAfterOurWriteIsSeen) {
  xcb_window_t w = Create();
  SetProperty(w, "WM_NAME", "STRING", "old.txt - Editor");
  EXPECT_EQ(windows_->ReadTitle(w), "old.txt - Editor");
  windows_->WriteTitle(w, "old.txt - Editor 12:00");
  EXPECT_EQ(windows_->ReadTitle(w), "old.txt - Editor 12:00");
  SetProperty(w, "WM_NAME", "STRING", "new.txt - Editor");
  EXPECT_EQ(windows_->ReadTitle(w), "new.txt - Editor");
}

TEST_F(X11WindowSystemTest, FindsManagedWindowsByExactTitle) {
  xcb_window_t a = CreateClient("Lumetra");
  xcb_window_t b = CreateClient("zirerev");
  struct Case {
    std::string title;
    xcb_window_t expected;
  };
  const Case cases[] = {{"Lumetra", a},
                        {"zirerev", b},
                        {"lumetra", XCB_NONE},
                        {"Lumetra ", XCB_NONE},
                        {"Lumetr", XCB_NONE}};

  // Through the window manager's client list ...
  SetWindows(root_, "_NET_CLIENT_LIST", "WINDOW", {a, b});
  for (const Case& c : cases) EXPECT_EQ(windows_->FindWindowByTitle(c.title), c.expected);
  // ... and without one, through the top-level windows that carry WM_STATE.
  xcb_delete_property(c_, root_, Atom("_NET_CLIENT_LIST"));
  Sync();
  for (const Case& c : cases) EXPECT_EQ(windows_->FindWindowByTitle(c.title), c.expected);

  // A window titled alike that nobody manages is no match.
  xcb_window_t stray = Create();
  SetProperty(stray, "_NET_WM_NAME", "UTF8_STRING", "unmanaged");
  EXPECT_EQ(windows_->FindWindowByTitle("unmanaged"), kNoWindow);
  // A client inside a reparenting window manager's frame is found.
  xcb_window_t frame = Create();
  xcb_window_t client = Create(frame);
  SetProperty(client, "_NET_WM_NAME", "UTF8_STRING", "framed");
  MarkManaged(client);
  EXPECT_EQ(windows_->FindWindowByTitle("framed"), client);
}

TEST_F(X11WindowSystemTest, FindsTheDockAsPanel) {
  CreateClient("ordinary");
  EXPECT_EQ(windows_->FindPanel(), kNoWindow);
  xcb_window_t frame = Create();
  xcb_window_t dock = Create(frame);
  MarkManaged(dock);
  SetWindows(dock, "_NET_WM_WINDOW_TYPE", "ATOM",
             {Atom("_NET_WM_WINDOW_TYPE_NORMAL"), Atom("_NET_WM_WINDOW_TYPE_DOCK")});
  EXPECT_EQ(windows_->FindPanel(), dock);
}

TEST_F(X11WindowSystemTest, ForegroundIsTheActiveWindowElseTheFocusedClient) {
  xcb_window_t editor = CreateClient("editor");
  xcb_window_t manager = Create();
  SetWindows(manager, "_NET_SUPPORTING_WM_CHECK", "WINDOW", {manager});
  SetWindows(root_, "_NET_SUPPORTING_WM_CHECK", "WINDOW", {manager});
  SetWindows(root_, "_NET_ACTIVE_WINDOW", "WINDOW", {editor});
  EXPECT_EQ(windows_->ForegroundWindow(), editor);
  SetWindows(root_, "_NET_ACTIVE_WINDOW", "WINDOW", {XCB_NONE});
  EXPECT_EQ(windows_->ForegroundWindow(), kNoWindow);

  // No EWMH window manager: the focus sits in a widget of a framed client. The manager's
  // end leaves the root naming its dead window and the last active one.
  SetWindows(root_, "_NET_ACTIVE_WINDOW", "WINDOW", {editor});
  xcb_destroy_window(c_, manager);
  created_.erase(std::find(created_.begin(), created_.end(), manager));
  Sync();
  xcb_window_t frame = Create(XCB_NONE, true);
  xcb_window_t client = Create(frame, true);
  xcb_window_t widget = Create(client, true);
  MarkManaged(client);
  xcb_set_input_focus(c_, XCB_INPUT_FOCUS_PARENT, widget, XCB_CURRENT_TIME);
  Sync();
  EXPECT_EQ(windows_->ForegroundWindow(), client);
  xcb_set_input_focus(c_, XCB_INPUT_FOCUS_POINTER_ROOT, XCB_INPUT_FOCUS_POINTER_ROOT,
                      XCB_CURRENT_TIME);
  Sync();
  EXPECT_EQ(windows_->ForegroundWindow(), kNoWindow);

  // A manager that comes back is followed again.
  xcb_window_t returned = Create();
  SetWindows(returned, "_NET_SUPPORTING_WM_CHECK", "WINDOW", {returned});
  SetWindows(root_, "_NET_SUPPORTING_WM_CHECK", "WINDOW", {returned});
  EXPECT_EQ(windows_->ForegroundWindow(), editor);
}

TEST_F(X11WindowSystemTest, PreparedObservationAnswersLikeSeparateQueries) {
  xcb_window_t a = CreateClient("editor a");
  xcb_window_t b = CreateClient("editor b");
  SetWindows(root_, "_NET_ACTIVE_WINDOW", "WINDOW", {b});
  windows_->PrepareObservation(a);
  EXPECT_EQ(windows_->ReadTitle(b), "editor b");  // not the prepared window
  EXPECT_EQ(windows_->ReadTitle(a), "editor a");
  EXPECT_EQ(windows_->ForegroundWindow(), b);
  // Left uncollected, then prepared for a window that is gone.
  windows_->PrepareObservation(a);
  xcb_destroy_window(c_, b);
  Sync();
  windows_->PrepareObservation(b);
  EXPECT_EQ(windows_->ReadTitle(b), "");
  windows_->ForegroundWindow();  // the prepared answer, used up
  SetWindows(root_, "_NET_ACTIVE_WINDOW", "WINDOW", {a});
  EXPECT_EQ(windows_->ForegroundWindow(), a);
  EXPECT_FALSE(windows_->ConnectionBroken());
}

TEST_F(X11WindowSystemTest, ANewWindowUnderADeadWindowsIdIsAnotherWindow) {
  // X gives a destroyed window's id to the next new window. Here the id is read while no
  // window has it, then a new window is made under that very id.
  xcb_window_t id = xcb_generate_id(c_);
  WindowId dead = id;
  EXPECT_EQ(windows_->ReadTitle(dead), "");
  xcb_create_window(c_, XCB_COPY_FROM_PARENT, id, root_, 0, 0, 50, 50, 0,
                    XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
  created_.push_back(id);
  SetProperty(id, "_NET_WM_NAME", "UTF8_STRING", "new owner");
  MarkManaged(id);
  // What was meant for the dead window never reaches the new one.
  windows_->WriteTitle(dead, "");
  EXPECT_EQ(windows_->ReadTitle(dead), "");
  Sync();
  EXPECT_EQ(Get(id, "_NET_WM_NAME").value, "new owner");

  // The new window comes with a handle of its own, from the foreground or a search.
  SetWindows(root_, "_NET_ACTIVE_WINDOW", "WINDOW", {id});
  WindowId fresh = windows_->ForegroundWindow();
  EXPECT_NE(fresh, dead);
  EXPECT_EQ(windows_->FindWindowByTitle("new owner"), fresh);
  EXPECT_EQ(windows_->ReadTitle(fresh), "new owner");
  windows_->WriteTitle(fresh, "the line");
  // A reply on the writer's own connection proves its write landed.
  EXPECT_EQ(windows_->ReadTitle(fresh), "the line");
  EXPECT_EQ(Get(id, "_NET_WM_NAME").value, "the line");
}

TEST_F(X11WindowSystemTest, DestroyedForegroundWindowIsNeverWrittenThroughItsOldHandle) {
  xcb_window_t first = CreateClient("first");
  SetWindows(root_, "_NET_ACTIVE_WINDOW", "WINDOW", {first});
  WindowId old_handle = windows_->ForegroundWindow();  // watched from here on
  ASSERT_EQ(windows_->ReadTitle(old_handle), "first");
  xcb_destroy_window(c_, first);
  created_.erase(std::find(created_.begin(), created_.end(), first));
  // The same id again at once, as a new client would get it.
  xcb_create_window(c_, XCB_COPY_FROM_PARENT, first, root_, 0, 0, 50, 50, 0,
                    XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
  created_.push_back(first);
  SetProperty(first, "_NET_WM_NAME", "UTF8_STRING", "second");
  MarkManaged(first);
  // The next foreground query takes in the death before it answers.
  WindowId new_handle = windows_->ForegroundWindow();
  EXPECT_NE(new_handle, old_handle);
  EXPECT_EQ(windows_->ReadTitle(old_handle), "");
  windows_->WriteTitle(old_handle, "first");
  Sync();
  EXPECT_EQ(Get(first, "_NET_WM_NAME").value, "second");
  EXPECT_EQ(windows_->ReadTitle(new_handle), "second");
}

TEST_F(X11WindowSystemTest, EwmhManagerWithoutActiveWindowMeansNoForeground) {
  // The manager keeps the focus on a window of its own while nothing is active.
  xcb_window_t manager_window = Create(XCB_NONE, true);
  SetWindows(manager_window, "_NET_SUPPORTING_WM_CHECK", "WINDOW", {manager_window});
  SetWindows(root_, "_NET_SUPPORTING_WM_CHECK", "WINDOW", {manager_window});
  xcb_set_input_focus(c_, XCB_INPUT_FOCUS_PARENT, manager_window, XCB_CURRENT_TIME);
  Sync();
  EXPECT_EQ(windows_->ForegroundWindow(), kNoWindow);
}

// Clients as they come: Xlib programs that set only WM_NAME (in any of its types), toolkits
// that set both, and windows without a title.
const Titles kOwnerTitles[] = {
    {nullptr, "", "STRING", "xclock"},
    {nullptr, "", "COMPOUND_TEXT", "\x1B$)B\xC6\xFC\xCB\xDC edit"},
    {nullptr, "", "UTF8_STRING", "\xE3\x83\xA1\xE3\x83\xA2"},
    {nullptr, "", "STRING", std::string("list\0second", 11)},
    {"UTF8_STRING", "Caf\xC3\xA9", "STRING", "Caf\xE9"},
    {"UTF8_STRING", "only the EWMH name", nullptr, ""},
    {nullptr, "", nullptr, ""},
};

TEST_F(X11WindowSystemTest, RestoreGivesBackExactlyWhatTheOwnerSet) {
  for (const Titles& t : kOwnerTitles) {
    xcb_window_t w = CreateOwned(t);
    xcb_window_t twin = CreateOwned(t);
    std::string own = windows_->ReadTitle(w);
    // Twice over: a window given back can be written and given back again.
    for (int round = 0; round < 2; ++round) {
      windows_->WriteTitle(w, own + " 12:00");
      windows_->WriteTitle(w, own + " \xE6\x97\xA5");
      EXPECT_EQ(windows_->ReadTitle(w), own + " \xE6\x97\xA5");
      windows_->RestoreTitle(w, own);
      ExpectSameTitles(w, twin, t.wm);
      EXPECT_EQ(windows_->ReadTitle(w), own);
    }
    // Nothing written: nothing to give back, and nothing is added.
    windows_->RestoreTitle(w, "not this");
    ExpectSameTitles(w, twin, "no write, " + t.wm);
  }
}

// A run that ends without its shutdown (killed, crashed) leaves the line in the windows it
// wrote; the next start gives each its own title back where the line is still there.
TEST_F(X11WindowSystemTest, AStartGivesBackWhatAKilledRunLeft) {
  const std::string display = Server()->display();
  auto killed_run = [&display](const std::vector<xcb_window_t>& targets) {
    pid_t pid = fork();
    if (pid == 0) {
      XcbWindowSystem run(display.c_str());
      for (xcb_window_t w : targets) {
        run.ReadTitle(w);
        run.WriteTitle(w, "line 1");
        run.ReadTitle(w);
        run.WriteTitle(w, "line 2 \xE6\x97\xA5");
      }
      run.ReadTitle(targets.front());  // the writes have landed
      _exit(0);                        // no destructor: nothing given back
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
  };
  std::vector<xcb_window_t> windows, twins;
  for (const Titles& t : kOwnerTitles) {
    windows.push_back(CreateOwned(t));
    twins.push_back(CreateOwned(t));
  }
  // Retitled by its owner after the crash: the owner's title stays.
  xcb_window_t retitled = CreateOwned(kOwnerTitles[4]);
  // A record that is not this program's layout is dropped; the title is not touched.
  xcb_window_t garbage = CreateOwned(kOwnerTitles[5]);
  std::vector<xcb_window_t> targets = windows;
  targets.push_back(retitled);
  ASSERT_TRUE(killed_run(targets));
  windows_.reset();
  for (std::size_t i = 0; i < windows.size(); ++i) {
    EXPECT_EQ(Get(windows[i], "_NET_WM_NAME").value, "line 2 \xE6\x97\xA5") << i;
    EXPECT_NE(Get(windows[i], "_QUILLENTA_BORROWED_TITLE"), Property{}) << i;
  }
  SetProperty(retitled, "_NET_WM_NAME", "UTF8_STRING", "owner's own");
  SetProperty(retitled, "WM_NAME", "STRING", "owner's own");
  SetProperty(garbage, "_QUILLENTA_BORROWED_TITLE", "_QUILLENTA_BORROWED_TITLE", "QBT1\x01");

  XcbWindowSystem next(Server()->display().c_str());
  next.GiveBackLeftTitles();
  next.ReadTitle(windows.front());
  for (std::size_t i = 0; i < windows.size(); ++i) {
    ExpectSameTitles(windows[i], twins[i], kOwnerTitles[i].wm);
    EXPECT_EQ(next.ReadTitle(windows[i]), next.ReadTitle(twins[i])) << i;
  }
  EXPECT_EQ(Get(retitled, "_NET_WM_NAME"), (Property{"UTF8_STRING", "owner's own"}));
  EXPECT_EQ(Get(retitled, "WM_NAME"), (Property{"STRING", "owner's own"}));
  EXPECT_EQ(Get(garbage, "_NET_WM_NAME"), (Property{"UTF8_STRING", kOwnerTitles[5].net}));
  for (xcb_window_t w : targets) EXPECT_EQ(Get(w, "_QUILLENTA_BORROWED_TITLE"), Property{});
  EXPECT_EQ(Get(garbage, "_QUILLENTA_BORROWED_TITLE"), Property{});

  // A clean give-back leaves no record behind.
  next.ReadTitle(windows[4]);
  next.WriteTitle(windows[4], "line 3");
  EXPECT_NE(Get(windows[4], "_QUILLENTA_BORROWED_TITLE"), Property{});
  next.RestoreTitle(windows[4], "");
  next.ReadTitle(windows[4]);
  EXPECT_EQ(Get(windows[4], "_QUILLENTA_BORROWED_TITLE"), Property{});
}

TEST_F(X11WindowSystemTest, OriginalsOutlastAnyNumberOfOtherWrittenWindows) {
  const Titles compound{nullptr, "", "COMPOUND_TEXT", "\x1B$)B\xC6\xFC\xCB\xDC"};
  xcb_window_t first = CreateOwned(compound);
  xcb_window_t twin = CreateOwned(compound);
  windows_->WriteTitle(first, "the line");
  std::vector<xcb_window_t> others;
  for (int i = 0; i < 70; ++i) {
    others.push_back(CreateOwned({nullptr, "", "STRING", "other " + std::to_string(i)}));
    windows_->WriteTitle(others.back(), "line " + std::to_string(i));
  }
  windows_->RestoreTitle(first, "");
  ExpectSameTitles(first, twin, "after 70 other windows");
  for (std::size_t i = 0; i < others.size(); ++i) {
    windows_->RestoreTitle(others[i], "");
    windows_->ReadTitle(others[i]);
    EXPECT_EQ(Get(others[i], "_NET_WM_NAME"), Property{}) << i;
    EXPECT_EQ(Get(others[i], "WM_NAME"), (Property{"STRING", "other " + std::to_string(i)}));
  }

  // The end of the program gives back whatever still shows a line.
  windows_->WriteTitle(first, "the line again");
  windows_->WriteTitle(others[0], "and here");
  windows_.reset();
  ExpectSameTitles(first, twin, "after the end");
  EXPECT_EQ(Get(others[0], "_NET_WM_NAME"), Property{});
  EXPECT_EQ(Get(others[0], "WM_NAME"), (Property{"STRING", "other 0"}));
}

TEST_F(X11WindowSystemTest, OwnersRetitleWhileWrittenIsShownAndGoesBack) {
  struct Case {
    const char* what;
    Titles before;
    const char* property;  // what the owner sets while the line shows
    const char* type;
    std::string bytes;
    bool read_before_restore;
    std::string shown;  // the title read after the owner's change
  };
  const Case cases[] = {
      {"COMPOUND_TEXT WM_NAME, seen", {nullptr, "", "COMPOUND_TEXT", "\x1B$)B\xC6\xFC\xCB\xDC"},
       "WM_NAME", "COMPOUND_TEXT", "\x1B$)B\xBF\xB7\xA4\xB7\xA4\xA4", true,
       "\xE6\x96\xB0\xE3\x81\x97\xE3\x81\x84"},
      {"STRING WM_NAME, just before the restore", {nullptr, "", "STRING", "old.txt - nedit"},
       "WM_NAME", "STRING", "new.txt - nedit", false, ""},
      {"WM_NAME of a window that has both", {"UTF8_STRING", "both", "STRING", "both"}, "WM_NAME",
       "STRING", "legacy only", true, "legacy only"},
      {"_NET_WM_NAME", {"UTF8_STRING", "both", "STRING", "both"}, "_NET_WM_NAME", "UTF8_STRING",
       "new \xE2\x82\xAC", true, "new \xE2\x82\xAC"},
  };
  for (const Case& c : cases) {
    xcb_window_t w = CreateOwned(c.before);
    xcb_window_t twin = CreateOwned(c.before);
    windows_->WriteTitle(w, "line 1");
    EXPECT_EQ(windows_->ReadTitle(w), "line 1") << c.what;
    SetProperty(w, c.property, c.type, c.bytes);
    SetProperty(twin, c.property, c.type, c.bytes);
    if (c.read_before_restore) {
      EXPECT_EQ(windows_->ReadTitle(w), c.shown) << c.what;
      windows_->WriteTitle(w, c.shown + " line 2");
      EXPECT_EQ(windows_->ReadTitle(w), c.shown + " line 2") << c.what;
    }
    windows_->RestoreTitle(w, c.shown);
    ExpectSameTitles(w, twin, c.what);
  }
}

// The owner retitles its window after this program has read the title and before it writes
// the line: the write must not cover the rename, the next read takes it as the window's own,
// and the window gets exactly it back.
TEST_F(X11WindowSystemTest, ARenameBetweenTheReadAndTheWriteIsNeverCovered) {
  struct Rename {
    const char* property;
    const char* type;
    std::string bytes;
  };
  struct Case {
    const char* what;
    Titles before;
    std::vector<Rename> renames;
    std::string shown;      // the title read after the rename
    bool already_written;  // the crossing falls on a later write, not on the first
  };
  const Titles both{"UTF8_STRING", "old \xE6\x97\xA5", "STRING", "old"};
  const Titles legacy{nullptr, "", "STRING", "old.txt - nedit"};
  const Case cases[] = {
      {"both properties", both,
       {{"WM_NAME", "STRING", "new"}, {"_NET_WM_NAME", "UTF8_STRING", "new \xE2\x82\xAC"}},
       "new \xE2\x82\xAC", true},
      {"both properties, first write", both,
       {{"WM_NAME", "STRING", "new"}, {"_NET_WM_NAME", "UTF8_STRING", "new \xE2\x82\xAC"}},
       "new \xE2\x82\xAC", false},
      {"WM_NAME only", legacy, {{"WM_NAME", "STRING", "new.txt - nedit"}}, "new.txt - nedit",
       true},
      {"WM_NAME only, first write", legacy, {{"WM_NAME", "STRING", "new.txt - nedit"}},
       "new.txt - nedit", false},
      {"WM_NAME only, as UTF8_STRING", {nullptr, "", "UTF8_STRING", "\xE5\x8F\xA4"},
       {{"WM_NAME", "UTF8_STRING", "\xE6\x96\xB0"}}, "\xE6\x96\xB0", true},
      {"_NET_WM_NAME alone changes", both, {{"_NET_WM_NAME", "UTF8_STRING", "net only"}},
       "net only", true},
  };
  for (const Case& c : cases) {
    xcb_window_t w = CreateOwned(c.before);
    xcb_window_t twin = CreateOwned(c.before);
    std::string own = windows_->ReadTitle(w);
    if (c.already_written) {
      windows_->WriteTitle(w, own + " 12:00:00");
      ASSERT_EQ(windows_->ReadTitle(w), own + " 12:00:00") << c.what;
    }
    // One work tick, in its order, with the owner's rename landing mid-way.
    windows_->PrepareObservation(w);
    EXPECT_EQ(windows_->ReadTitle(w), c.already_written ? own + " 12:00:00" : own) << c.what;
    for (const Rename& r : c.renames) {
      SetProperty(w, r.property, r.type, r.bytes);
      SetProperty(twin, r.property, r.type, r.bytes);
    }
    windows_->ForegroundWindow();
    windows_->WriteTitle(w, own + " 12:00:01");
    // A round trip on the writer's connection: whatever it wrote has landed.
    windows_->ForegroundWindow();
    for (const Rename& r : c.renames) {
      EXPECT_EQ(Get(w, r.property), (Property{r.type, r.bytes})) << c.what << ", " << r.property;
    }

    // The next tick takes the rename as the window's own title and writes the line.
    EXPECT_EQ(windows_->ReadTitle(w), c.shown) << c.what;
    windows_->WriteTitle(w, c.shown + " 12:00:02");
    EXPECT_EQ(windows_->ReadTitle(w), c.shown + " 12:00:02") << c.what;
    windows_->RestoreTitle(w, c.shown);
    ExpectSameTitles(w, twin, std::string(c.what) + ", given back");
    EXPECT_EQ(windows_->ReadTitle(w), c.shown) << c.what;
  }
}

TEST_F(X11WindowSystemTest, EveryDockIsAPanel) {
  struct Case {
    std::vector<const char*> types;
    bool panel;
  };
  const Case cases[] = {
      {{"_NET_WM_WINDOW_TYPE_DOCK"}, true},
      {{"_NET_WM_WINDOW_TYPE_NORMAL", "_NET_WM_WINDOW_TYPE_DOCK"}, true},
      {{"_NET_WM_WINDOW_TYPE_NORMAL"}, false},
      {{"_NET_WM_WINDOW_TYPE_DESKTOP"}, false},
      {{}, false},
  };
  std::vector<xcb_window_t> docks;
  for (const Case& c : cases) {
    xcb_window_t w = CreateClient("panel?");
    if (!c.types.empty()) {
      std::vector<xcb_window_t> atoms;
      for (const char* type : c.types) atoms.push_back(Atom(type));
      SetWindows(w, "_NET_WM_WINDOW_TYPE", "ATOM", atoms);
    }
    EXPECT_EQ(windows_->IsPanel(w), c.panel) << c.types.size();
    if (c.panel) docks.push_back(w);
  }
  // FindPanel names one of the docks; the other is a panel all the same.
  ASSERT_EQ(docks.size(), 2u);
  WindowId found = windows_->FindPanel();
  EXPECT_TRUE(found == docks[0] || found == docks[1]) << found;
  xcb_destroy_window(c_, docks[1]);
  Sync();
  EXPECT_EQ(windows_->ReadTitle(docks[1]), "");
  EXPECT_FALSE(windows_->IsPanel(docks[1]));
  EXPECT_FALSE(windows_->IsPanel(kNoWindow));
}

TEST(X11ConnectionTest, LostServerIsReportedAndNeverCrashes) {
  Xvfb own;
  ASSERT_FALSE(own.display().empty());
  XcbWindowSystem windows(own.display().c_str());
  ASSERT_FALSE(windows.ConnectionBroken());
  EXPECT_FALSE(windows.ConnectionLost());
  EXPECT_GE(windows.ConnectionFd(), 0);
  own.Stop();
  // A work tick's round trip is what notices the server has gone.
  windows.PrepareObservation(0x200001);
  EXPECT_EQ(windows.ReadTitle(0x200001), "");
  EXPECT_EQ(windows.ForegroundWindow(), kNoWindow);
  EXPECT_TRUE(windows.ConnectionLost());
  windows.WriteTitle(0x200001, "x");
  EXPECT_TRUE(windows.ConnectionBroken());

  XcbWindowSystem nowhere(":987");
  EXPECT_TRUE(nowhere.ConnectionBroken());
  EXPECT_TRUE(nowhere.ConnectionLost());
  EXPECT_EQ(nowhere.FindPanel(), kNoWindow);
  EXPECT_EQ(nowhere.FindWindowByTitle(""), kNoWindow);
}

TEST(CompoundTextTest, DecodesDesignatedSets) {
  struct Case {
    std::string bytes;
    std::string expected;
  };
  const Case cases[] = {
      {"plain", "plain"},
      {"\xC0\xFF", "\xC3\x80\xC3\xBF"},
      {"\x1B-B\xB9", "\xC5\xA1"},                             // Latin-2 in G1
      {"\x1B$(B\x46\x7C\x1B(Bx", "\xE6\x97\xA5x"},            // JIS X 0208 in G0
      {"\x1B)I\xB1", "\xEF\xBD\xB1"},                         // half-width katakana
      {"\x1B%/1\x80\x8Ciso8859-15\x02\xA4", "\xE2\x82\xAC"},  // extended segment
      {"\x9B"
       "1]ab\x9B]",
       "ab"},  // direction marks
  };
  for (const Case& c : cases) EXPECT_EQ(CompoundTextToUtf8(c.bytes), c.expected);
}

}  // namespace
}  // namespace quillenta

namespace quillenta {
namespace {

// A round trip on the program's connection brings in every event the server made before it.
TEST_F(X11WindowSystemTest, TellsOfTheFollowedOwnersRetitlesOnly) {
  xcb_window_t editor = CreateClient("editor");
  xcb_window_t other = CreateClient("other");
  SetWindows(root_, "_NET_ACTIVE_WINDOW", "WINDOW", {editor});
  const WindowId target = windows_->ForegroundWindow();
  windows_->FollowTitle(target);
  windows_->ReadTitle(target);
  EXPECT_FALSE(windows_->TakeRetitle()) << "nothing happened yet";
  windows_->WriteTitle(target, "editor 12:00");
  windows_->ReadTitle(target);
  EXPECT_FALSE(windows_->TakeRetitle()) << "the program's own write";
  SetProperty(other, "_NET_WM_NAME", "UTF8_STRING", "other *");
  SetProperty(editor, "_NET_WM_ICON_NAME", "UTF8_STRING", "not a title");
  windows_->ReadTitle(target);
  EXPECT_FALSE(windows_->TakeRetitle()) << "another window, or another property";
  // The title is read from _NET_WM_NAME where the window has one: WM_NAME, which toolkits
  // set just before it, tells nothing then.
  SetProperty(editor, "WM_NAME", "UTF8_STRING", "editor *");
  windows_->ReadTitle(target);
  EXPECT_FALSE(windows_->TakeRetitle()) << "WM_NAME beside _NET_WM_NAME";
  SetProperty(editor, "_NET_WM_NAME", "UTF8_STRING", "editor *");
  windows_->ReadTitle(target);
  EXPECT_TRUE(windows_->TakeRetitle()) << "_NET_WM_NAME";
  EXPECT_FALSE(windows_->TakeRetitle()) << "told once";
  // The owner's retitle and the program's write at once: the owner's still counts.
  windows_->ReadTitle(target);
  SetProperty(editor, "_NET_WM_NAME", "UTF8_STRING", "editor **");
  windows_->WriteTitle(target, "editor ** 12:01");
  windows_->ReadTitle(target);
  EXPECT_TRUE(windows_->TakeRetitle());
  // A window of WM_NAME alone tells by it.
  xcb_window_t legacy = CreateOwned({nullptr, "", "STRING", "legacy"});
  SetWindows(root_, "_NET_ACTIVE_WINDOW", "WINDOW", {legacy});
  const WindowId old_style = windows_->ForegroundWindow();
  windows_->FollowTitle(old_style);
  windows_->ReadTitle(old_style);
  SetProperty(legacy, "WM_NAME", "STRING", "legacy *");
  windows_->ReadTitle(old_style);
  EXPECT_TRUE(windows_->TakeRetitle()) << "WM_NAME alone";
  // Once another window is followed, the first one's retitles no longer count.
  SetWindows(root_, "_NET_ACTIVE_WINDOW", "WINDOW", {other});
  windows_->FollowTitle(windows_->ForegroundWindow());
  SetProperty(editor, "_NET_WM_NAME", "UTF8_STRING", "editor ***");
  windows_->ReadTitle(target);
  EXPECT_FALSE(windows_->TakeRetitle());
  EXPECT_GE(windows_->NoticeDescriptor(), 0);
}

}  // namespace
}  // namespace quillenta
