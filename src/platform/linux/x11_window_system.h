#pragma once
#include <xcb/xproto.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/window_system.h"

namespace quillenta {

// The window operations on X11 through a connection of its own (the Qt layer has another).
// Every request that may meet a vanished window is checked and its error dropped, so a
// window destroyed between two calls reads as "" and ignores writes.
class XcbWindowSystem : public WindowSystem {
 public:
  // A null or empty display name means $DISPLAY. When the connection cannot be made,
  // ConnectionBroken() is true and every operation yields none or "".
  explicit XcbWindowSystem(const char* display_name = nullptr);
  ~XcbWindowSystem() override;
  XcbWindowSystem(const XcbWindowSystem&) = delete;
  XcbWindowSystem& operator=(const XcbWindowSystem&) = delete;

  WindowId ForegroundWindow() override;
  std::string ReadTitle(WindowId window) override;
  void WriteTitle(WindowId window, const std::string& title) override;
  void RestoreTitle(WindowId window, const std::string& title) override;
  WindowId FindWindowByTitle(const std::string& title) override;
  WindowId FindPanel() override;
  bool IsPanel(WindowId window) override;
  void PrepareObservation(WindowId target) override;
  void GiveBackLeftTitles() override;
  void FollowTitle(WindowId window) override;
  bool TakeRetitle() override;
  int NoticeDescriptor() override { return ConnectionFd(); }
  void ReadNotices() override;

  // Reads what arrived, as ReadNotices does, and tells whether the server has gone.
  int ConnectionFd() const;
  bool ConnectionBroken();
  // What the last exchange with the server found, without reading the socket: the check of
  // every tick, since every work tick talks to the server anyway.
  bool ConnectionLost() const;

 private:
  struct Connection;
  struct PropertyRequest;
  struct Observation;
  // One title property as the server holds it; type none when the window has none.
  struct TitleProperty {
    xcb_atom_t type = XCB_ATOM_NONE;
    std::uint8_t format = 8;
    std::string value;
    bool operator==(const TitleProperty&) const = default;
  };
  struct TitleProperties {
    TitleProperty net_name;  // _NET_WM_NAME
    TitleProperty wm_name;
    bool operator==(const TitleProperties&) const = default;
  };
  // A window this program has written into: what goes back, and what it wrote last.
  struct Borrowed {
    TitleProperties own;
    TitleProperties written;
    // The line as it was given: what the window reads as while it still bears the write, so
    // that a line the server keeps differently (cut at a zero byte) is never taken for a
    // title its owner set.
    std::string line;
  };

  struct LastRead {
    xcb_window_t xid;
    TitleProperties properties;
  };
  // For as long as it lives, this connection's own changes to a window are not told back to
  // it; made and ended within a server grab.
  class Unheard {
   public:
    Unheard(XcbWindowSystem& system, xcb_window_t xid);
    ~Unheard();
    Unheard(const Unheard&) = delete;
    Unheard& operator=(const Unheard&) = delete;

   private:
    xcb_connection_t* c_;
    xcb_window_t xid_;
  };

  // Takes in what the server sent: deaths of watched windows, title changes of the followed
  // one; the rest is dropped.
  void ProcessQueuedEvents();
  void TakeEvent(const xcb_generic_event_t* event);
  // WriteTitle's work on a current window, with the server held.
  void Write(xcb_window_t xid, const std::string& title);
  std::vector<WindowId> ManagedWindows();
  std::vector<WindowId> ClientsBelow(const std::vector<WindowId>& tops);
  // `gone` collects the indices of windows that no longer exist.
  std::vector<std::string> ReadTitles(const std::vector<WindowId>& windows,
                                      std::vector<std::size_t>* gone = nullptr);
  // `raw`, when given, receives both properties as the server held them.
  std::string CollectTitle(WindowId window, const PropertyRequest& request, bool* gone,
                           TitleProperties* raw = nullptr);
  WindowId CollectForeground(xcb_get_property_cookie_t active, xcb_get_property_cookie_t check);
  void DropObservation();
  WindowId Handle(xcb_window_t xid) const;
  bool Current(WindowId handle) const { return handle == Handle(Xid(handle)); }
  static xcb_window_t Xid(WindowId handle) { return static_cast<xcb_window_t>(handle); }
  void Bury(xcb_window_t xid);
  void Watch(xcb_window_t xid);
  WindowId FocusedClient();
  // Whether `check`, the root's _NET_SUPPORTING_WM_CHECK, is the window of a manager that
  // runs: a manager that ended leaves the root naming its dead window.
  bool ManagerRuns(xcb_window_t check);
  // Every window that may carry a title: the managed clients, the root's children and the
  // clients framed below them.
  std::vector<WindowId> AllCandidates();
  static TitleProperty RawProperty(const xcb_get_property_reply_t* reply);
  // None when the window has gone.
  std::optional<TitleProperties> ReadProperties(xcb_window_t xid);
  void Put(xcb_window_t xid, xcb_atom_t property, const TitleProperty& value);
  // Puts back what the owner had, where the property still holds this program's last write,
  // and drops the window's record.
  void GiveBack(xcb_window_t xid, const Borrowed& borrowed);
  // The record kept on the window itself, so that a start after a crash finds it: what goes
  // back and the line written last, as one property in a layout of this program's own.
  static std::string EncodeRecord(const Borrowed& borrowed);
  static std::optional<Borrowed> DecodeRecord(const std::string& bytes);

  std::unique_ptr<Connection> x_;
  // Every window that holds a line of this program, until its own title goes back or it
  // dies. Window managers show _NET_WM_NAME before WM_NAME, so one left behind in a window
  // whose owner sets only WM_NAME would hide every later title of that owner: it is never
  // bounded, and a window leaves it only with its properties as the owner set them.
  std::unordered_map<xcb_window_t, Borrowed> borrowed_;
  // How often each XID has been seen to die (DestroyNotify, or a read that found it gone):
  // the upper half of a handle. A handle whose generation is behind names a dead window,
  // whatever window holds its XID now: it reads as "" and is never written.
  std::unordered_map<xcb_window_t, std::uint32_t> generation_;
  // Windows whose destruction this connection hears of.
  std::unordered_set<xcb_window_t> watched_;
  // The title properties of the window read last, as read or as this program then wrote
  // them: a write goes in only over exactly these, so a title the owner set after the read
  // is never covered by a line made from the one before.
  std::optional<LastRead> last_read_;
  // The supporting window of the manager seen running, watched for its end; none while no
  // manager is known to run.
  xcb_window_t manager_check_ = XCB_NONE;
  // The window whose title changes are told at once; whether the owner has set its title
  // since TakeRetitle last looked.
  xcb_window_t followed_ = XCB_NONE;
  bool retitled_ = false;
  // The requests of a prepared observation not yet collected.
  std::unique_ptr<Observation> observation_;
};

}  // namespace quillenta
