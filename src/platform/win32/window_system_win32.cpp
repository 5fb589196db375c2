#include "platform/win32/window_system_win32.h"

#include <windows.h>

#include <algorithm>
#include <utility>

#include "platform/win32/wide.h"

namespace quillenta {
namespace {

HWND ToHwnd(WindowId window) { return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(window)); }
WindowId ToId(HWND window) { return reinterpret_cast<std::uintptr_t>(window); }

// The objects an answer callback may still reach, by serial: an answer can come in after the
// object that asked for it has gone.
std::unordered_map<std::uintptr_t, Win32WindowSystem*>& Living() {
  static std::unordered_map<std::uintptr_t, Win32WindowSystem*> living;
  return living;
}
std::uintptr_t next_serial = 1;

bool HasClass(HWND window, const wchar_t* name) {
  wchar_t buffer[32];
  int length = GetClassNameW(window, buffer, 32);
  return length > 0 && lstrcmpW(buffer, name) == 0;
}

// The desktop's icon view lives in Progman, or in a WorkerW while the wallpaper changes;
// clicking the desktop brings that window to the front.
bool IsDesktop(HWND window) {
  if (window == GetDesktopWindow() || window == GetShellWindow()) return true;
  return (HasClass(window, L"WorkerW") || HasClass(window, L"Progman")) &&
         FindWindowExW(window, nullptr, L"SHELLDLL_DefView", nullptr) != nullptr;
}

// The top-level windows of the Windows 10/11 shell that come to the front over the window the
// user works in.
constexpr const wchar_t* kShellClasses[] = {
    L"Shell_TrayWnd",                         // the taskbar
    L"Shell_SecondaryTrayWnd",                // the taskbar of another monitor
    L"NotifyIconOverflowWindow",              // the notification overflow, Windows 10
    L"TopLevelWindowForOverflowXamlIsland",   // the notification overflow, Windows 11
    L"Windows.UI.Core.CoreWindow",            // Start, Search, the action centre
    L"MultitaskingViewFrame",                 // Alt+Tab and Task View, Windows 10
    L"XamlExplorerHostIslandWindow",          // Alt+Tab and Task View, Windows 11
    L"ForegroundStaging",                     // held in front while one of these opens
};

bool IsShellSurface(HWND window) {
  wchar_t buffer[64];
  const int length = GetClassNameW(window, buffer, 64);
  if (length <= 0) return false;
  for (const wchar_t* name : kShellClasses) {
    if (lstrcmpW(buffer, name) == 0) return true;
  }
  return IsDesktop(window);
}

// A window of this process that comes to the front only to carry a menu: the hidden main
// window, which a menu of the tray icon needs in front, or the menu itself.
bool IsOwnMenuCarrier(HWND window) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process != GetCurrentProcessId()) return false;
  return !IsWindowVisible(window) || HasClass(window, L"#32768");
}

std::wstring ReadWide(HWND window) {
  // Nearly every title fits a buffer of this size, and one call then reads it whole; only a
  // title that fills it is asked for its length.
  constexpr int kFirstTry = 512;
  wchar_t buffer[kFirstTry];
  int copied = std::max(GetWindowTextW(window, buffer, kFirstTry), 0);
  if (copied < kFirstTry - 1) return std::wstring(buffer, static_cast<std::size_t>(copied));
  std::wstring text;
  int length = GetWindowTextLengthW(window);
  // One spare place: a text that fills the buffer has grown since its length was asked.
  for (int attempt = 0; attempt < 8 && length >= 0; ++attempt) {
    text.resize(static_cast<std::size_t>(length) + 2);
    copied = std::max(GetWindowTextW(window, text.data(), length + 2), 0);
    text.resize(static_cast<std::size_t>(copied));
    if (copied <= length) break;
    length = std::max(GetWindowTextLengthW(window), length * 2 + 2);
  }
  return text;
}

}  // namespace

struct Win32WindowSystem::Callbacks {
  static void CALLBACK NameChanged(HWINEVENTHOOK hook, DWORD, HWND hwnd, LONG object, LONG child,
                                   DWORD, DWORD) {
    if (object != OBJID_WINDOW || child != CHILDID_SELF) return;
    for (auto& [serial, self] : Living()) {
      if (self->hook_ != hook || hwnd != self->followed_) continue;
      // The window's text, not a count of the writes sent: a write that times out or a
      // system that tells of no change (Wine 8) would leave a count owing for good.
      std::wstring text = ReadWide(hwnd);
      if (text == self->own_text_) return;
      self->retitled_ = true;
      self->told_text_ = &text;
      if (self->notice_) self->notice_();
      self->told_text_ = nullptr;
      return;
    }
  }

  static void CALLBACK Answered(HWND hwnd, UINT, ULONG_PTR serial, LRESULT) {
    auto living = Living().find(serial);
    if (living == Living().end()) return;
    Win32WindowSystem& self = *living->second;
    auto waiting = self.unanswered_.find(ToId(hwnd));
    if (waiting == self.unanswered_.end()) return;
    std::wstring title = std::move(waiting->second);
    self.unanswered_.erase(waiting);
    const bool give_back = self.giving_back_.erase(ToId(hwnd)) != 0;
    self.Send(ToId(hwnd), std::move(title), give_back ? Purpose::kGiveBack : Purpose::kLine);
  }
};

Win32WindowSystem::Win32WindowSystem(unsigned write_timeout_ms)
    : Win32WindowSystem(write_timeout_ms, SendCalls{}) {}

Win32WindowSystem::Win32WindowSystem(unsigned write_timeout_ms, SendCalls calls,
                                     std::wstring record_path)
    : write_timeout_ms_(write_timeout_ms),
      calls_(calls),
      serial_(next_serial++),
      record_path_(std::move(record_path)) {
  Living()[serial_] = this;
}

Win32WindowSystem::~Win32WindowSystem() {
  Living().erase(serial_);
  if (hook_ != nullptr) UnhookWinEvent(hook_);
  // Wine drops a sent message once its sender stops waiting, so a title held back would be
  // lost for good: the last titles get a longer wait, one second for all of them together.
  const ULONGLONG deadline = GetTickCount64() + std::max(write_timeout_ms_, 1000u);
  for (auto& [window, title] : unanswered_) {
    HWND hwnd = ToHwnd(window);
    ULONGLONG now = GetTickCount64();
    if (!IsWindow(hwnd)) {
      Forget(window);
      continue;
    }
    if (now >= deadline) continue;
    DWORD_PTR result = 0;
    if (calls_.send_timeout(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(title.c_str()),
                            SMTO_ABORTIFHUNG | SMTO_NORMAL, static_cast<UINT>(deadline - now),
                            &result) != 0 &&
        giving_back_.count(window) != 0) {
      Forget(window);
    }
  }
}

void Win32WindowSystem::GiveBackLeftTitles() {
  record_ = BorrowedTitles::Open(record_path_);
  if (record_ == nullptr) return;
  for (const BorrowedTitles::Entry& entry : record_->Entries()) {
    DWORD process = 0;
    if (!IsWindow(entry.window) ||
        GetWindowThreadProcessId(entry.window, &process) != entry.thread ||
        process != entry.process || ReadWide(entry.window) != entry.line) {
      continue;
    }
    DWORD_PTR result = 0;
    calls_.send_timeout(entry.window, WM_SETTEXT, 0,
                        reinterpret_cast<LPARAM>(entry.own_title.c_str()),
                        SMTO_ABORTIFHUNG | SMTO_NORMAL, write_timeout_ms_, &result);
  }
  record_->Clear();
}

void Win32WindowSystem::Forget(WindowId window) {
  if (record_ != nullptr) record_->Remove(ToHwnd(window));
}

void Win32WindowSystem::FollowTitle(WindowId window) {
  HWND hwnd = ToHwnd(window);
  if (hwnd == followed_) return;
  if (hook_ != nullptr) UnhookWinEvent(hook_);
  hook_ = nullptr;
  followed_ = nullptr;
  own_text_.clear();
  retitled_ = false;
  DWORD process = 0;
  const DWORD thread = hwnd != nullptr ? GetWindowThreadProcessId(hwnd, &process) : 0;
  // This program's own windows (its settings window in front) retitle only by its own hand.
  if (thread == 0 || process == GetCurrentProcessId()) return;
  hook_ = SetWinEventHook(EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_NAMECHANGE, nullptr,
                          &Callbacks::NameChanged, process, thread, WINEVENT_OUTOFCONTEXT);
  // Wine refuses a hook on another process's thread; the whole process does, since the
  // callback looks at the followed window only.
  if (hook_ == nullptr) {
    hook_ = SetWinEventHook(EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_NAMECHANGE, nullptr,
                            &Callbacks::NameChanged, process, 0, WINEVENT_OUTOFCONTEXT);
  }
  if (hook_ != nullptr) followed_ = hwnd;
}

bool Win32WindowSystem::TakeRetitle() { return std::exchange(retitled_, false); }

WindowId Win32WindowSystem::ForegroundWindow() {
  last_foreground_ = ToId(GetForegroundWindow());
  return last_foreground_;
}

bool Win32WindowSystem::IsPanel(WindowId window) {
  if (window == kNoWindow) return false;
  HWND hwnd = ToHwnd(window);
  return IsShellSurface(hwnd) || IsOwnMenuCarrier(hwnd);
}

std::string Win32WindowSystem::ReadTitle(WindowId window) {
  if (window == kNoWindow) return {};
  HWND hwnd = ToHwnd(window);
  auto held = unanswered_.find(window);
  if (held != unanswered_.end() && IsWindow(hwnd)) return WideToUtf8(held->second);
  std::wstring text;
  if (told_text_ != nullptr && hwnd == followed_) {
    text = std::move(*told_text_);
    told_text_ = nullptr;
  } else {
    // A window that has gone reads as no text at all, which is what it must read as.
    text = ReadWide(hwnd);
  }
  if (record_ != nullptr) record_->Observe(hwnd, text);
  return WideToUtf8(text);
}

void Win32WindowSystem::WriteTitle(WindowId window, const std::string& title) {
  if (window == kNoWindow || Refused(window)) return;
  last_written_ = window;
  std::wstring line = Utf8ToWide(title);
  if (HoldForUnanswered(window, line, Purpose::kLine)) return;
  HWND hwnd = ToHwnd(window);
  if (record_ != nullptr && !record_->Holds(hwnd)) {
    // Read again rather than kept from the engine's read: the first write into a window
    // happens once a switch, a copy of every title read would happen at every refresh.
    DWORD process = 0;
    const DWORD thread = GetWindowThreadProcessId(hwnd, &process);
    if (thread != 0) record_->Lend(hwnd, process, thread, ReadWide(hwnd));
  }
  // A window that has gone fails the send, which is all a write into it must do.
  Send(window, std::move(line), Purpose::kLine);
}

void Win32WindowSystem::RestoreTitle(WindowId window, const std::string& title) {
  if (window == kNoWindow) return;
  if (Refused(window)) {
    Forget(window);
    return;
  }
  last_written_ = window;
  std::wstring own = Utf8ToWide(title);
  if (record_ != nullptr) record_->SetOwnTitle(ToHwnd(window), own);
  if (HoldForUnanswered(window, own, Purpose::kGiveBack)) return;
  Send(window, std::move(own), Purpose::kGiveBack);
}

bool Win32WindowSystem::HoldForUnanswered(WindowId window, std::wstring& title, Purpose purpose) {
  auto waiting = unanswered_.find(window);
  if (waiting == unanswered_.end()) return false;
  if (IsWindow(ToHwnd(window))) {
    waiting->second = std::move(title);
    if (purpose == Purpose::kGiveBack) {
      giving_back_.insert(window);
    } else {
      giving_back_.erase(window);
    }
  } else {
    unanswered_.erase(waiting);
    giving_back_.erase(window);
    Forget(window);
  }
  return true;
}

void Win32WindowSystem::Send(WindowId window, std::wstring title, Purpose purpose) {
  HWND hwnd = ToHwnd(window);
  // Before the send: a crash during it leaves a window that may show the line.
  if (record_ != nullptr && purpose == Purpose::kLine) record_->SetLine(hwnd, title);
  DWORD_PTR result = 0;
  SetLastError(ERROR_SUCCESS);
  // Kept before the send: the window's name change may be told while the send waits.
  if (hwnd == followed_) own_text_ = title;
  if (calls_.send_timeout(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(title.c_str()),
                          SMTO_ABORTIFHUNG | SMTO_NORMAL, write_timeout_ms_, &result) != 0) {
    if (purpose == Purpose::kGiveBack) Forget(window);
    return;
  }
  const DWORD error = GetLastError();
  if (!IsWindow(hwnd)) {
    Forget(window);
    return;
  }
  if (error == ERROR_ACCESS_DENIED) {
    // A give-back after a crash would be refused as well: the entry goes.
    Forget(window);
    // The system will refuse every later write too; asking for an answer would be let through
    // and bring the title back for another refusal, round and round.
    for (auto it = refused_.begin(); it != refused_.end();) {
      it = IsWindow(ToHwnd(*it)) ? std::next(it) : refused_.erase(it);
    }
    refused_.insert(window);
    return;
  }
  // Sent messages are handled in order, so the answer to this one says the window has got
  // through the write that timed out.
  if (!calls_.send_callback(hwnd, WM_NULL, 0, 0, &Callbacks::Answered, serial_)) return;
  // The windows that went while they did not answer are let go here, since no answer comes.
  for (auto it = unanswered_.begin(); it != unanswered_.end();) {
    if (IsWindow(ToHwnd(it->first))) {
      ++it;
      continue;
    }
    giving_back_.erase(it->first);
    Forget(it->first);
    it = unanswered_.erase(it);
  }
  unanswered_[window] = std::move(title);
  if (purpose == Purpose::kGiveBack) giving_back_.insert(window);
}

WindowId Win32WindowSystem::FindWindowByTitle(const std::string& title) {
  std::wstring wanted = Utf8ToWide(title);
  // Any window bearing the title will do, and the one last written nearly always does: a
  // search of every top-level window is then not needed.
  if (last_written_ != kNoWindow && !Unanswered(last_written_)) {
    HWND hwnd = ToHwnd(last_written_);
    if (ReadWide(hwnd) == wanted && (!wanted.empty() || IsWindow(hwnd))) return last_written_;
  }
  for (const auto& [window, held] : unanswered_) {
    if (held == wanted && IsWindow(ToHwnd(window))) return window;
  }
  HWND found = nullptr;
  while ((found = FindWindowExW(nullptr, found, nullptr, wanted.c_str())) != nullptr) {
    if (!Unanswered(ToId(found)) && ReadWide(found) == wanted) return ToId(found);
  }
  return kNoWindow;
}

WindowId Win32WindowSystem::FindPanel() { return ToId(FindWindowW(L"Shell_TrayWnd", nullptr)); }

}  // namespace quillenta
