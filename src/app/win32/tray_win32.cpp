#include "app/win32/tray_win32.h"

#include "form/form_description.h"
#include "text/wide.h"

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
  lstrcpynW(record.szTip, L"Quillenta", ARRAYSIZE(record.szTip));
  // Present whatever the shell answers: a shell that is not up yet announces itself later
  // with TaskbarCreated, and the icon is added then.
  ::Shell_NotifyIconW(NIM_ADD, &record);
  present_ = true;
}

void Win32Tray::RemoveTrayIcon() {
  if (!present_) return;
  NOTIFYICONDATAW record = Record();
  ::Shell_NotifyIconW(NIM_DELETE, &record);
  present_ = false;
}

bool Win32Tray::Handle(UINT message, WPARAM, LPARAM lparam) {
  if (message == kCallbackMessage) {
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
    ::AppendMenuW(menu, MF_STRING, n + 1, Utf8ToWide(def->items[n].caption).c_str());
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
