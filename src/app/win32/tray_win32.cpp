#include "app/win32/tray_win32.h"

#include "form/form_description.h"
#include "platform/win32/wide.h"

namespace quillenta {

Win32Tray::Win32Tray() : taskbar_created_(::RegisterWindowMessageW(L"TaskbarCreated")) {}

void Win32Tray::SetWindow(HWND window, HICON icon) {
  window_ = window;
  icon_ = icon;
}

NOTIFYICONDATAW Win32Tray::Record() const {
  NOTIFYICONDATAW record{};
  record.cbSize = sizeof record;
  record.hWnd = window_;
  record.uID = kIconId;
  return record;
}

void Win32Tray::AddTrayIcon() {
  if (present_) return;
  NOTIFYICONDATAW record = Record();
  record.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  record.uCallbackMessage = kCallbackMessage;
  record.hIcon = icon_;
  lstrcpynW(record.szTip, tip_.c_str(), ARRAYSIZE(record.szTip));
  // Present whatever the shell answers: a shell that is not up yet announces itself later
  // with TaskbarCreated, and the icon is added then.
  ::Shell_NotifyIconW(NIM_ADD, &record);
  present_ = true;
}

std::wstring Win32Tray::TipOf(const std::string& line) {
  std::wstring tip = Utf8ToWide(line);
  constexpr std::size_t kPlaces = ARRAYSIZE(NOTIFYICONDATAW{}.szTip) - 1;
  if (tip.size() > kPlaces) {
    std::size_t cut = kPlaces;
    // Never half of a surrogate pair.
    if (tip[cut - 1] >= 0xD800 && tip[cut - 1] <= 0xDBFF) --cut;
    tip.resize(cut);
  }
  return tip.empty() ? L"Quillenta" : tip;
}

void Win32Tray::SetTip(const std::string& line) {
  line_ = line;
  if (GetTickCount64() < hovered_until_) ShowTip();
}

void Win32Tray::ShowTip() {
  std::wstring tip = TipOf(line_);
  if (tip == tip_) return;
  tip_ = std::move(tip);
  if (!present_) return;
  NOTIFYICONDATAW record = Record();
  record.uFlags = NIF_TIP;
  lstrcpynW(record.szTip, tip_.c_str(), ARRAYSIZE(record.szTip));
  ::Shell_NotifyIconW(NIM_MODIFY, &record);
}

void Win32Tray::RemoveTrayIcon() {
  if (!present_) return;
  NOTIFYICONDATAW record = Record();
  ::Shell_NotifyIconW(NIM_DELETE, &record);
  present_ = false;
}

bool Win32Tray::Handle(UINT message, WPARAM, LPARAM lparam) {
  if (message == kCallbackMessage) {
    // The shell tells of a pointer over the icon before it shows the tooltip: the tip is
    // made current then and follows the line while the pointer may still be there. Each
    // change costs a round trip to the shell, which at once a second with no one looking
    // was a measurable share of the program's wakeups.
    if (LOWORD(lparam) == WM_MOUSEMOVE) {
      hovered_until_ = GetTickCount64() + kHoverMs;
      ShowTip();
    }
    // Only the presses: a release, a double click or a move opens nothing.
    if (LOWORD(lparam) == WM_LBUTTONDOWN || LOWORD(lparam) == WM_RBUTTONDOWN) OpenMenu();
    return true;
  }
  if (taskbar_created_ != 0 && message == taskbar_created_) {
    if (present_) {
      present_ = false;
      AddTrayIcon();
    }
    return true;
  }
  return false;
}

void Win32Tray::OpenMenu() {
  // The menu's own loop dispatches a second press on the icon; it must not open a second menu.
  if (menu_open_ || window_ == nullptr) return;
  const form::MenuDef* def = nullptr;
  for (const form::MenuDef& candidate : form::Menus()) {
    if (candidate.owner.empty()) def = &candidate;
  }
  if (def == nullptr) return;
  HMENU menu = ::CreatePopupMenu();
  if (menu == nullptr) return;
  for (std::size_t n = 0; n < def->items.size(); ++n) {
    ::AppendMenuW(menu, MF_STRING, n + 1, Utf8ToWide(Tr(def->items[n].caption)).c_str());
  }
  POINT cursor{};
  ::GetCursorPos(&cursor);
  // Without this a click elsewhere leaves the menu open, and the WM_NULL after it makes the
  // next press open the menu at once rather than close the old one (Microsoft's advice for
  // notification-area menus).
  ::SetForegroundWindow(window_);
  menu_open_ = true;
  const UINT chosen = static_cast<UINT>(::TrackPopupMenu(
      menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, cursor.x, cursor.y, 0, window_,
      nullptr));
  menu_open_ = false;
  ::PostMessageW(window_, WM_NULL, 0, 0);
  ::DestroyMenu(menu);
  if (chosen >= 1 && chosen <= def->items.size() && on_item) on_item(def->items[chosen - 1].name);
}

}  // namespace quillenta
