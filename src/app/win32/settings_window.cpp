#include "app/win32/settings_window.h"

#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>

#include "app/win32/file_chooser_win32.h"
#include "platform/win32/wide.h"

namespace quillenta {

namespace {

using form::Kind;

constexpr COLORREF kLinkColor = RGB(0, 0, 255);
// How often Wine looks whether the pointer has left a button it rests on.
constexpr UINT kLeavePollMs = 1000;

}  // namespace

SettingsWindow::SettingsWindow(HINSTANCE instance, ProgramCore& core, Win32Tray& tray,
                               FileChooser* chooser)
    : instance_(instance), core_(core), tray_(tray), chooser_(chooser), logic_(core, *this) {
  if (chooser_ == nullptr) {
    own_chooser_ = std::make_unique<Win32FileChooser>([this] { return window_; });
    chooser_ = own_chooser_.get();
  }
  open_address = [](const std::string& address) {
    // Returns once the shell has the address; the program that opens it runs on its own.
    ::ShellExecuteW(nullptr, L"open", Utf8ToWide(address).c_str(), nullptr, nullptr, SW_SHOW);
  };
}

SettingsWindow::~SettingsWindow() { Destroy(); }

bool SettingsWindow::Create() {
  if (window_ != nullptr) return true;
  INITCOMMONCONTROLSEX classes{sizeof classes, ICC_TAB_CLASSES | ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&classes);
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = &SettingsWindow::WindowProc;
  window_class.hInstance = instance_;
  window_class.hIcon = ::LoadIconW(instance_, MAKEINTRESOURCEW(1));
  window_class.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  window_class.lpszClassName = kClassName;
  if (::RegisterClassExW(&window_class) == 0 && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    return false;
  }
  const std::wstring caption = Utf8ToWide(form::Window().caption);
  window_ = ::CreateWindowExW(kExStyle, kClassName, caption.c_str(), kStyle, CW_USEDEFAULT,
                              CW_USEDEFAULT, 0, 0, nullptr, nullptr, instance_, this);
  if (window_ == nullptr) return false;

  ChooseFace();

  Build();
  Layout(::GetDpiForWindow(window_));
  ShowPage(0);
  for (std::size_t i = 0; i < controls_.size(); ++i) Refresh(i);

  // A shown window of the model's: a load, an order click, a change behaviour.
  settings_changed_ = core_.settings().changed.Subscribe([this](const SettingChange& change) {
    for (std::size_t index : logic_.ShownBy(change)) Refresh(index);
  });
  order_changed_ = core_.order_editor().changed.Subscribe([this] {
    for (std::size_t index : logic_.OrderPositions()) Refresh(index);
  });
  language_changed_ = core_.language_changed.Subscribe([this](Language) { Relabel(); });
  return true;
}

void SettingsWindow::Destroy() {
  settings_changed_.Reset();
  order_changed_.Reset();
  language_changed_.Reset();
  if (window_ != nullptr) {
    ::DestroyWindow(window_);
    window_ = nullptr;
  }
  for (auto& [key, font] : fonts_) ::DeleteObject(font);
  fonts_.clear();
}

HWND SettingsWindow::Control(std::string_view name) const {
  const std::size_t index = form::IndexOf(name);
  return index < controls_.size() ? controls_[index] : nullptr;
}

std::size_t SettingsWindow::IndexOfHandle(HWND control) const {
  const LONG_PTR id = ::GetWindowLongPtrW(control, GWLP_ID);
  const std::size_t index = static_cast<std::size_t>(id - kFirstControlId);
  return id >= kFirstControlId && index < controls_.size() && controls_[index] == control
             ? index
             : controls_.size();
}

void SettingsWindow::ShowPage(int page) {
  ::SendMessageW(tabs_, TCM_SETCURSEL, page, 0);
  for (std::size_t n = 0; n < pages_.size(); ++n) {
    ::ShowWindow(pages_[n], static_cast<int>(n) == page ? SW_SHOW : SW_HIDE);
  }
}

void SettingsWindow::ShowCentered() {
  if (window_ == nullptr) return;
  // Centred on the primary screen's work area each time, whatever moved it before.
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  ::GetMonitorInfoW(::MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &monitor);
  RECT frame{};
  ::GetWindowRect(window_, &frame);
  const RECT& area = monitor.rcWork;
  const int width = frame.right - frame.left, height = frame.bottom - frame.top;
  ::SetWindowPos(window_, nullptr, area.left + (area.right - area.left - width) / 2,
                 area.top + (area.bottom - area.top - height) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  const bool first = focus_ == nullptr;
  ::ShowWindow(window_, SW_SHOW);
  ::SetForegroundWindow(window_);
  if (first) {
    for (const form::ControlDef& def : form::Controls()) {
      if (def.page == -1 && def.tab_order == 0) ::SetFocus(Control(def.name));
    }
  }
}

void SettingsWindow::HideToTray() {
  tray_.AddTrayIcon();
  if (window_ == nullptr) return;
  ::ShowWindow(window_, SW_HIDE);
  // A control that was under the pointer waits for the pointer to leave it, which a hidden
  // window never hears of; Wine keeps asking where the pointer is meanwhile.
  TRACKMOUSEEVENT tracking{};
  tracking.cbSize = sizeof tracking;
  tracking.dwFlags = TME_QUERY;
  if (::TrackMouseEvent(&tracking) && tracking.hwndTrack != nullptr &&
      (tracking.hwndTrack == window_ || ::IsChild(window_, tracking.hwndTrack))) {
    tracking.cbSize = sizeof tracking;
    tracking.dwFlags = TME_CANCEL | (tracking.dwFlags & (TME_HOVER | TME_LEAVE | TME_NONCLIENT));
    ::TrackMouseEvent(&tracking);
  }
}

void SettingsWindow::ShowFromTray() {
  tray_.RemoveTrayIcon();
  ShowCentered();
}

void SettingsWindow::CloseWindow() { EndProgram(); }

void SettingsWindow::EndProgram() {
  if (end_program) end_program();
}

void SettingsWindow::OpenAddress(const std::string& address) {
  if (open_address) open_address(address);
}

void SettingsWindow::CopyField(std::string_view name) {
  HWND field = Control(name);
  if (field == nullptr) return;
  ::SetFocus(field);
  ::SendMessageW(field, EM_SETSEL, 0, -1);
  ::SendMessageW(field, WM_COPY, 0, 0);
}

void SettingsWindow::Refresh(std::size_t index) {
  if (index >= controls_.size() || controls_[index] == nullptr) return;
  const form::ControlDef& def = form::Controls()[index];
  HWND control = controls_[index];
  switch (def.kind) {
    case Kind::kCheckBox:
    case Kind::kRadioButton:
      ::SendMessageW(control, BM_SETCHECK, logic_.Checked(def) ? BST_CHECKED : BST_UNCHECKED, 0);
      break;
    case Kind::kEdit: {
      const std::wstring text = Utf8ToWide(logic_.Text(def));
      const int length = ::GetWindowTextLengthW(control);
      std::wstring shown(static_cast<std::size_t>(length) + 1, L'\0');
      shown.resize(::GetWindowTextW(control, shown.data(), length + 1));
      if (shown != text) {
        refreshing_ = true;
        ::SetWindowTextW(control, text.c_str());
        refreshing_ = false;
        ::SendMessageW(control, EM_SETSEL, 0, 0);
      }
      break;
    }
    case Kind::kLabel:
      if (def.binding == form::Binding::kOrderPosition) {
        ::SetWindowTextW(control, Utf8ToWide(logic_.Text(def)).c_str());
      }
      break;
    default:
      break;
  }
  if (def.extra_only) ::ShowWindow(control, logic_.Visible(def) ? SW_SHOWNA : SW_HIDE);
}

void SettingsWindow::OnCommand(WORD id, WORD code, HWND control) {
  const std::size_t index = static_cast<std::size_t>(id - kFirstControlId);
  if (id < kFirstControlId || index >= controls_.size() || controls_[index] != control) return;
  const form::ControlDef& def = form::Controls()[index];
  switch (def.kind) {
    case Kind::kPushButton:
      if (code == BN_CLICKED) logic_.OnClick(def.name);
      break;
    case Kind::kCheckBox:
      if (code == BN_CLICKED) {
        logic_.OnToggled(def.name, ::SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED);
      }
      break;
    case Kind::kRadioButton:
      if (code == BN_CLICKED) {
        logic_.OnToggled(def.name, true);
        // The model may keep what it had: every radio shows its choice again.
        for (std::size_t i = 0; i < controls_.size(); ++i) {
          if (form::Controls()[i].kind == Kind::kRadioButton) Refresh(i);
        }
      }
      break;
    case Kind::kEdit:
      if (code == EN_CHANGE && !refreshing_) {
        const int length = ::GetWindowTextLengthW(control);
        std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
        text.resize(::GetWindowTextW(control, text.data(), length + 1));
        logic_.OnTextEdited(def.name, WideToUtf8(text));
      }
      break;
    default:
      break;
  }
}

void SettingsWindow::OpenMenu(std::string_view name, HWND owner, LPARAM at) {
  if (menu_open_) return;
  const form::MenuDef* def = nullptr;
  for (const form::MenuDef& menu : form::Menus()) {
    if (menu.name == name) def = &menu;
  }
  if (def == nullptr) return;
  POINT point{GET_X_LPARAM(at), GET_Y_LPARAM(at)};
  if (at == -1) {  // from the keyboard: at the control's middle
    RECT place{};
    ::GetWindowRect(owner, &place);
    point = {(place.left + place.right) / 2, (place.top + place.bottom) / 2};
  }
  HMENU menu = ::CreatePopupMenu();
  if (menu == nullptr) return;
  for (std::size_t n = 0; n < def->items.size(); ++n) {
    const form::MenuItemDef& item = def->items[n];
    const UINT checked = item.checkable && logic_.MenuChecked(item.name) ? MF_CHECKED : 0;
    ::AppendMenuW(menu, MF_STRING | checked, n + 1, Utf8ToWide(Tr(item.caption)).c_str());
  }
  menu_open_ = true;
  const UINT chosen = static_cast<UINT>(::TrackPopupMenu(
      menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, point.x, point.y, 0, window_, nullptr));
  menu_open_ = false;
  ::DestroyMenu(menu);
  if (chosen >= 1 && chosen <= def->items.size()) logic_.OnMenuItem(def->items[chosen - 1].name);
}

bool SettingsWindow::PreTranslate(MSG& message) {
  if (window_ == nullptr || !::IsWindowVisible(window_)) return false;
  if (message.hwnd != window_ && !::IsChild(window_, message.hwnd)) return false;
  const bool key = message.message == WM_KEYDOWN || message.message == WM_KEYUP ||
                   message.message == WM_CHAR;
  // Neither Enter nor Escape is a shortcut of this window, nor a key of its fields.
  if (key && (message.wParam == VK_RETURN || message.wParam == VK_ESCAPE)) return true;
  return ::IsDialogMessageW(window_, &message) != FALSE;
}

void SettingsWindow::AfterDispatch(const MSG& message) {
  if (message.message != WM_MOUSEHOVER || window_ == nullptr) return;
  if (message.hwnd != window_ && !::IsChild(window_, message.hwnd)) return;
  // A themed button asks for its hover after 1 ms, to light up at once, and for its leave.
  // Wine polls both with one timer at the hover's interval, and keeps polling for the leave
  // after the hover has come: a pointer resting on a button would cost a thousand wake-ups a
  // second. Asked again for a late hover with the leave, the timer slows to once a second (a
  // leave alone would be polled at the system's hover time, 400 ms): under Wine a button then
  // stays lit up to a second after the pointer has gone to the window's bare background.
  // Windows, which reports a leave without polling, loses nothing; the late hover only lights
  // a lit button again.
  TRACKMOUSEEVENT tracking{};
  tracking.cbSize = sizeof tracking;
  tracking.dwFlags = TME_QUERY;
  if (!::TrackMouseEvent(&tracking) || tracking.hwndTrack != message.hwnd) return;
  if ((tracking.dwFlags & TME_LEAVE) == 0 || (tracking.dwFlags & TME_HOVER) != 0) return;
  UINT poll_ms = 400;
  ::SystemParametersInfoW(SPI_GETMOUSEHOVERTIME, 0, &poll_ms, 0);
  poll_ms = std::max<UINT>(poll_ms, kLeavePollMs);
  if (tracking.dwHoverTime >= poll_ms) return;
  tracking.cbSize = sizeof tracking;
  tracking.dwFlags = TME_HOVER | TME_LEAVE | (tracking.dwFlags & TME_NONCLIENT);
  tracking.dwHoverTime = poll_ms;
  ::TrackMouseEvent(&tracking);
}

bool SettingsWindow::HandleChild(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) {
  switch (message) {
    case WM_COMMAND:
      OnCommand(LOWORD(wparam), HIWORD(wparam), reinterpret_cast<HWND>(lparam));
      result = 0;
      return true;
    case WM_CTLCOLORSTATIC: {
      const std::size_t index = IndexOfHandle(reinterpret_cast<HWND>(lparam));
      if (index >= controls_.size()) return false;
      const form::ControlDef& def = form::Controls()[index];
      auto* dc = reinterpret_cast<HDC>(wparam);
      if (def.kind == Kind::kLinkField) {
        ::SetTextColor(dc, kLinkColor);
        ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
        result = reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
        return true;
      }
      if (def.transparent) {
        ::SetBkMode(dc, TRANSPARENT);
        result = reinterpret_cast<LRESULT>(::GetStockObject(HOLLOW_BRUSH));
        return true;
      }
      return false;
    }
    default:
      return false;
  }
}

LRESULT CALLBACK SettingsWindow::WindowProc(HWND window, UINT message, WPARAM wparam,
                                            LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
    auto* self = static_cast<SettingsWindow*>(create->lpCreateParams);
    self->window_ = window;
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<SettingsWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr || self->window_ != window) {
    return ::DefWindowProcW(window, message, wparam, lparam);
  }
  return self->Handle(message, wparam, lparam);
}

LRESULT SettingsWindow::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
  LRESULT result = 0;
  if (HandleChild(message, wparam, lparam, result)) return result;
  switch (message) {
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lparam);
      if (header->hwndFrom == tabs_ && header->code == TCN_SELCHANGE) {
        ShowPage(static_cast<int>(::SendMessageW(tabs_, TCM_GETCURSEL, 0, 0)));
      }
      return 0;
    }
    case WM_ACTIVATE:
      // As a dialog does: the focus comes back to the control that had it.
      if (LOWORD(wparam) == WA_INACTIVE) {
        HWND focus = ::GetFocus();
        if (focus != nullptr && ::IsChild(window_, focus)) focus_ = focus;
      } else if (focus_ != nullptr && ::IsWindow(focus_)) {
        ::SetFocus(focus_);
        return 0;
      }
      break;
    case WM_DPICHANGED: {
      Layout(HIWORD(wparam));
      const auto* suggested = reinterpret_cast<const RECT*>(lparam);
      ::SetWindowPos(window_, nullptr, suggested->left, suggested->top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    case WM_CLOSE:
      // The close box and Alt+F4 end the program; the window goes with it.
      EndProgram();
      return 0;
    case WM_DESTROY:
      window_ = nullptr;
      return 0;
    default:
      break;
  }
  return ::DefWindowProcW(window_, message, wparam, lparam);
}

INT_PTR CALLBACK SettingsWindow::PageProc(HWND page, UINT message, WPARAM wparam,
                                          LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    ::SetWindowLongPtrW(page, DWLP_USER, lparam);
    return FALSE;
  }
  auto* self = reinterpret_cast<SettingsWindow*>(::GetWindowLongPtrW(page, DWLP_USER));
  if (self == nullptr) return FALSE;
  LRESULT result = 0;
  if (!self->HandleChild(message, wparam, lparam, result)) return FALSE;
  if (message == WM_CTLCOLORSTATIC) return static_cast<INT_PTR>(result);
  ::SetWindowLongPtrW(page, DWLP_MSGRESULT, result);
  return TRUE;
}

LRESULT CALLBACK SettingsWindow::ControlProc(HWND control, UINT message, WPARAM wparam,
                                             LPARAM lparam, UINT_PTR id, DWORD_PTR index) {
  auto* self = reinterpret_cast<SettingsWindow*>(id);
  const form::ControlDef& def = form::Controls()[index];
  switch (message) {
    case WM_SETCURSOR:
      if (def.cursor == form::Cursor::kArrow) break;
      ::SetCursor(::LoadCursorW(nullptr, def.cursor == form::Cursor::kHand ? IDC_HAND : IDC_CROSS));
      return TRUE;
    case WM_CONTEXTMENU:
      if (def.popup_menu.empty()) break;
      self->OpenMenu(def.popup_menu, control, lparam);
      return 0;
    case WM_LBUTTONDOWN:
      // A double click's second press comes as WM_LBUTTONDBLCLK: no new press.
      if (def.kind == Kind::kLinkField) self->logic_.OnLinkPressed(def.name);
      break;
    case WM_LBUTTONUP: {
      if (def.kind != Kind::kLinkField) break;
      const LRESULT result = ::DefSubclassProc(control, message, wparam, lparam);
      ::SetFocus(control);
      ::SendMessageW(control, EM_SETSEL, 0, -1);
      RECT area{};
      ::GetClientRect(control, &area);
      self->logic_.OnLinkReleased(def.name,
                                  ::PtInRect(&area, POINT{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)}));
      return result;
    }
    case WM_NCDESTROY:
      ::RemoveWindowSubclass(control, &SettingsWindow::ControlProc, id);
      break;
    default:
      break;
  }
  return ::DefSubclassProc(control, message, wparam, lparam);
}

}  // namespace quillenta
