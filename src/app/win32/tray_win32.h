#pragma once
// The notification-area icon of the hidden main window and its menu, the form's PopupMenu1.
#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <string>
#include <string_view>

namespace quillenta {

class Win32Tray {
 public:
  static constexpr UINT kIconId = 1;
  static constexpr UINT kCallbackMessage = WM_USER + 100;  // 1124
  Win32Tray();
  Win32Tray(const Win32Tray&) = delete;
  Win32Tray& operator=(const Win32Tray&) = delete;

  // The window that owns the icon and receives its messages; icon is its resource 1.
  void SetWindow(HWND window, HICON icon);

  // Both idempotent: a repeated HideToTray adds no second icon.
  void AddTrayIcon();
  void RemoveTrayIcon();
  bool Present() const { return present_; }
  // The tooltip: the line, cut at a character within the 127 places the shell keeps; given
  // to the shell while a pointer is over the icon.
  void SetTip(const std::string& line);
  static std::wstring TipOf(const std::string& line);
  const std::wstring& Tip() const { return tip_; }

  // The item of the menu that was chosen, by its name in the form description.
  std::function<void(std::string_view item)> on_item;

  // The tray's share of the window procedure: true when the message was the tray's.
  bool Handle(UINT message, WPARAM wparam, LPARAM lparam);

 private:
  void OpenMenu();
  NOTIFYICONDATAW Record() const;
  void ShowTip();
  static constexpr ULONGLONG kHoverMs = 5000;
  std::string line_;
  std::wstring tip_ = L"Quillenta";
  ULONGLONG hovered_until_ = 0;

  HWND window_ = nullptr;
  HICON icon_ = nullptr;
  bool present_ = false;
  bool menu_open_ = false;
  // Broadcast by Explorer when it starts again: every icon it held is gone.
  UINT taskbar_created_ = 0;
};

}  // namespace quillenta
