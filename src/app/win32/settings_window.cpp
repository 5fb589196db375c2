#include "app/win32/settings_window.h"

#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>

#include "app/win32/file_chooser_win32.h"
#include "text/wide.h"

namespace quillenta {

namespace {

using form::Kind;

// Control ids: far from IDOK and IDCANCEL, which the dialog manager sends for Enter and Escape.
constexpr WORD kFirstControlId = 1000;
constexpr COLORREF kLinkColor = RGB(0, 0, 255);
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;

int CALLBACK FaceFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

bool FaceInstalled(const std::wstring& face) {
  LOGFONTW wanted{};
  wanted.lfCharSet = DEFAULT_CHARSET;
  lstrcpynW(wanted.lfFaceName, face.c_str(), LF_FACESIZE);
  bool found = false;
  HDC screen = ::GetDC(nullptr);
  ::EnumFontFamiliesExW(screen, &wanted, &FaceFound, reinterpret_cast<LPARAM>(&found), 0);
  ::ReleaseDC(nullptr, screen);
  return found;
}

// An empty child dialog: the page's controls are added in code. Templates must be
// DWORD-aligned.
struct alignas(DWORD) EmptyPageTemplate {
  DLGTEMPLATE dialog;
  WORD menu = 0, window_class = 0, title = 0;
};

DWORD LabelStyle(const form::ControlDef& def) {
  DWORD style = def.buddy.empty() ? SS_NOPREFIX : 0;
  switch (def.align) {
    case form::Align::kCenter:
      style |= SS_CENTER | SS_CENTERIMAGE;
      break;
    case form::Align::kLeftTop:
      style |= SS_LEFTNOWORDWRAP;
      break;
    case form::Align::kLeftMiddle:
      style |= SS_LEFTNOWORDWRAP | SS_CENTERIMAGE;
      break;
  }
  if (!def.popup_menu.empty() || def.cursor != form::Cursor::kArrow) style |= SS_NOTIFY;
  return style;
}

int TextWidth(HWND control, HFONT font, const std::wstring& text) {
  HDC dc = ::GetDC(control);
  HGDIOBJ old = ::SelectObject(dc, font);
  SIZE size{};
  ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  ::SelectObject(dc, old);
  ::ReleaseDC(control, dc);
  return size.cx;
}

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

  for (std::string_view family : form::Window().font_families) {
    if (FaceInstalled(Utf8ToWide(family))) {
      face_ = Utf8ToWide(family);
      charset_ = SHIFTJIS_CHARSET;
      break;
    }
  }
  if (face_.empty()) {
    // The face the system draws its own dialogs with: Japanese on a Japanese Windows.
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
      face_ = metrics.lfMessageFont.lfFaceName;
    }
  }

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
  return true;
}

void SettingsWindow::Destroy() {
  settings_changed_.Reset();
  order_changed_.Reset();
  if (window_ != nullptr) {
    ::DestroyWindow(window_);
    window_ = nullptr;
  }
  for (auto& [key, font] : fonts_) ::DeleteObject(font);
  fonts_.clear();
}

void SettingsWindow::Build() {
  const auto& defs = form::Controls();
  controls_.assign(defs.size(), nullptr);
  for (std::size_t i = 0; i < defs.size(); ++i) {
    const form::ControlDef& def = defs[i];
    if (def.kind == Kind::kTabControl) {
      tabs_ = ::CreateWindowExW(0, WC_TABCONTROLW, L"",
                                WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS, 0, 0, 0, 0,
                                window_, reinterpret_cast<HMENU>(kFirstControlId + i),
                                instance_, nullptr);
      controls_[i] = tabs_;
    }
  }
  for (std::size_t i = 0; i < defs.size(); ++i) {
    const form::ControlDef& def = defs[i];
    if (def.kind == Kind::kTabPage) {
      const std::wstring caption = Utf8ToWide(def.caption);
      TCITEMW item{};
      item.mask = TCIF_TEXT;
      item.pszText = const_cast<wchar_t*>(caption.c_str());
      ::SendMessageW(tabs_, TCM_INSERTITEMW, def.page, reinterpret_cast<LPARAM>(&item));
      EmptyPageTemplate page_template{};
      page_template.dialog.style = WS_CHILD | DS_CONTROL | WS_CLIPCHILDREN;
      HWND page = ::CreateDialogIndirectParamW(instance_, &page_template.dialog, window_,
                                               &SettingsWindow::PageProc,
                                               reinterpret_cast<LPARAM>(this));
      pages_.resize(std::max<std::size_t>(pages_.size(), def.page + 1));
      pages_[def.page] = page;
      controls_[i] = page;
    } else if (def.kind != Kind::kTabControl) {
      controls_[i] = BuildControl(i);
    }
  }
  ArrangeFocusOrder();
}

HWND SettingsWindow::BuildControl(std::size_t index) {
  const form::ControlDef& def = form::Controls()[index];
  HWND parent = def.page < 0 ? window_ : pages_[def.page];
  const wchar_t* window_class = WC_BUTTONW;
  DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
  DWORD ex_style = 0;
  if (def.tab_order >= 0) style |= WS_TABSTOP;
  switch (def.kind) {
    case Kind::kGroupBox:
      style |= BS_GROUPBOX;
      break;
    case Kind::kLabel:
      window_class = WC_STATICW;
      style |= LabelStyle(def);
      if (def.transparent) {
        // Siblings beneath paint first and show through it.
        ex_style |= WS_EX_TRANSPARENT;
        style &= ~WS_CLIPSIBLINGS;
      }
      break;
    case Kind::kEdit:
      window_class = WC_EDITW;
      style |= ES_AUTOHSCROLL;
      ex_style |= WS_EX_CLIENTEDGE;
      break;
    case Kind::kLinkField:
      window_class = WC_EDITW;
      style |= ES_AUTOHSCROLL | ES_READONLY;
      break;
    case Kind::kCheckBox:
      style |= BS_AUTOCHECKBOX;
      break;
    case Kind::kRadioButton:
      // Not automatic: the model decides which one is on, and refreshes all three.
      style |= BS_RADIOBUTTON;
      break;
    case Kind::kPushButton:
      style |= BS_PUSHBUTTON;
      break;
    case Kind::kTabControl:
    case Kind::kTabPage:
      return nullptr;
  }
  const std::wstring caption = Utf8ToWide(def.caption);
  HWND control = ::CreateWindowExW(ex_style, window_class, caption.c_str(), style, 0, 0, 0, 0,
                                   parent, reinterpret_cast<HMENU>(kFirstControlId + index),
                                   instance_, nullptr);
  if (control == nullptr) return nullptr;
  const bool link = def.kind == Kind::kLinkField;
  if (def.cursor != form::Cursor::kArrow || !def.popup_menu.empty() || link) {
    ::SetWindowSubclass(control, &SettingsWindow::ControlProc, reinterpret_cast<UINT_PTR>(this),
                        index);
  }
  return control;
}

// The dialog manager walks the focus in z-order. Per parent: the pages first (a page walks
// after the bottom row and the tab control, as the cycle wraps), then every control that
// takes the focus in its tab order, each label just before the field its mnemonic leads to;
// then the rest, later ones above earlier ones; the group frames last, under what they hold.
void SettingsWindow::ArrangeFocusOrder() {
  const auto& defs = form::Controls();
  for (int page = -1; page < static_cast<int>(pages_.size()); ++page) {
    std::vector<std::size_t> focusable, rest, groups;
    for (std::size_t i = 0; i < defs.size(); ++i) {
      const form::ControlDef& def = defs[i];
      if (def.page != page || def.kind == Kind::kTabPage || !def.buddy.empty()) continue;
      if (def.tab_order >= 0) {
        focusable.push_back(i);
      } else if (def.kind == Kind::kGroupBox) {
        groups.push_back(i);
      } else {
        rest.push_back(i);
      }
    }
    std::sort(focusable.begin(), focusable.end(),
              [&defs](auto a, auto b) { return defs[a].tab_order < defs[b].tab_order; });
    std::vector<HWND> order;
    if (page == -1) order = pages_;
    for (std::size_t i : focusable) {
      for (std::size_t j = 0; j < defs.size(); ++j) {
        if (defs[j].buddy == defs[i].name) order.push_back(controls_[j]);
      }
      order.push_back(controls_[i]);
    }
    for (auto it = rest.rbegin(); it != rest.rend(); ++it) order.push_back(controls_[*it]);
    for (std::size_t i : groups) order.push_back(controls_[i]);
    HWND after = HWND_TOP;
    for (HWND control : order) {
      if (control == nullptr) continue;
      ::SetWindowPos(control, after, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
      after = control;
    }
  }
}

HFONT SettingsWindow::FontFor(const form::ControlDef& def, int width) {
  const int pixels = def.font.pixel_size != 0 ? def.font.pixel_size : form::Window().font_pixel_size;
  const FontKey key{pixels, def.font.italic, def.kind == Kind::kLinkField, width};
  auto found = fonts_.find(key);
  if (found != fonts_.end()) return found->second;
  LOGFONTW face{};
  face.lfHeight = -Scale(pixels);
  face.lfWidth = width;
  face.lfWeight = FW_NORMAL;
  face.lfItalic = def.font.italic;
  face.lfUnderline = std::get<2>(key);
  face.lfCharSet = charset_;
  face.lfQuality = DEFAULT_QUALITY;
  lstrcpynW(face.lfFaceName, face_.c_str(), LF_FACESIZE);
  HFONT font = ::CreateFontIndirectW(&face);
  fonts_.emplace(key, font);
  return font;
}

void SettingsWindow::Layout(UINT dpi) {
  if (window_ == nullptr) return;
  dpi_ = dpi == 0 ? 96 : dpi;
  std::map<FontKey, HFONT> old_fonts;
  old_fonts.swap(fonts_);

  const form::WindowDef& window = form::Window();
  RECT frame{0, 0, Scale(window.client_width), Scale(window.client_height)};
  ::AdjustWindowRectExForDpi(&frame, kStyle, FALSE, kExStyle, dpi_);
  ::SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  // The frame as drawn may follow another DPI than the one asked for (a window that has not
  // yet moved to its monitor's): the client area is what must come out exact.
  RECT client{};
  ::GetClientRect(window_, &client);
  const int dx = Scale(window.client_width) - client.right;
  const int dy = Scale(window.client_height) - client.bottom;
  if (dx != 0 || dy != 0) {
    ::SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left + dx,
                   frame.bottom - frame.top + dy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }

  const auto& defs = form::Controls();
  auto scaled = [this](const form::Rect& r) {
    // Edges scaled rather than sizes, so that neighbours stay flush at any DPI.
    return RECT{Scale(r.x), Scale(r.y), Scale(r.right()), Scale(r.bottom())};
  };
  std::vector<RECT> places(defs.size());
  // The pages fill the tab control's display area, whose top follows the strip's font.
  RECT page_area{};
  const std::size_t tab_control = IndexOfHandle(tabs_);
  const RECT tabs_place = scaled(defs[tab_control].rect);
  ::SendMessageW(tabs_, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(defs[tab_control])), FALSE);
  ::SetWindowPos(tabs_, nullptr, tabs_place.left, tabs_place.top,
                 tabs_place.right - tabs_place.left, tabs_place.bottom - tabs_place.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  page_area = {0, 0, tabs_place.right - tabs_place.left, tabs_place.bottom - tabs_place.top};
  ::SendMessageW(tabs_, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&page_area));
  ::OffsetRect(&page_area, tabs_place.left, tabs_place.top);
  for (std::size_t i = 0; i < defs.size(); ++i) {
    const form::ControlDef& def = defs[i];
    if (controls_[i] == nullptr || i == tab_control) continue;
    ::SendMessageW(controls_[i], WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(def)), FALSE);
    if (def.kind == Kind::kTabPage) {
      places[i] = page_area;
    } else {
      form::Rect rect = def.rect;
      if (!def.group.empty()) {
        const form::Rect& group = form::FindControl(def.group)->rect;
        rect.x += group.x;
        rect.y += group.y;
      }
      places[i] = scaled(rect);
      RECT& place = places[i];
      const std::wstring caption = Utf8ToWide(def.caption);
      if (def.grows_left) {
        const int needed = TextWidth(controls_[i], FontFor(def), caption) + Scale(6);
        if (needed > place.right - place.left) place.left = place.right - needed;
      }
      if (!def.left_of.empty()) {
        const int width = std::max<int>(place.right - place.left,
                                        TextWidth(controls_[i], FontFor(def), caption) + Scale(4));
        const RECT& neighbour = places[form::IndexOf(def.left_of)];
        place.left = std::min<int>(place.left, neighbour.left - width);
        place.right = place.left + width;
      }
    }
    ::SetWindowPos(controls_[i], nullptr, places[i].left, places[i].top,
                   places[i].right - places[i].left, places[i].bottom - places[i].top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    FitCaption(i, places[i]);
  }
  for (auto& [key, font] : old_fonts) ::DeleteObject(font);
  ::InvalidateRect(window_, nullptr, TRUE);
}

void SettingsWindow::FitCaption(std::size_t index, const RECT& place) {
  const form::ControlDef& def = form::Controls()[index];
  int adornment = 0;  // what the control draws beside its caption
  switch (def.kind) {
    case Kind::kPushButton:
      adornment = Scale(6);
      break;
    case Kind::kCheckBox:
    case Kind::kRadioButton:
      adornment = ::GetSystemMetricsForDpi(SM_CXMENUCHECK, dpi_) + Scale(4);
      break;
    case Kind::kGroupBox:
      adornment = Scale(16);
      break;
    case Kind::kLabel:
      if (def.binding != form::Binding::kNone) return;
      break;
    default:
      return;
  }
  HWND control = controls_[index];
  const std::wstring caption = Utf8ToWide(form::PlainCaption(def.caption));
  const int room = place.right - place.left - adornment;
  const int needed = TextWidth(control, FontFor(def), caption);
  if (room <= 0 || needed <= room) return;
  // A narrower face keeps the caption whole and as tall as the rest.
  HDC dc = ::GetDC(control);
  HGDIOBJ old = ::SelectObject(dc, FontFor(def));
  TEXTMETRICW metrics{};
  ::GetTextMetricsW(dc, &metrics);
  ::SelectObject(dc, old);
  ::ReleaseDC(control, dc);
  for (int width = static_cast<int>(metrics.tmAveCharWidth * room / needed); width > 0; --width) {
    HFONT narrow = FontFor(def, width);
    if (TextWidth(control, narrow, caption) <= room || width == 1) {
      ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(narrow), FALSE);
      return;
    }
  }
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
    ::AppendMenuW(menu, MF_STRING | checked, n + 1, Utf8ToWide(item.caption).c_str());
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
  // second. Asked again for the leave alone, at the system's hover time, the timer slows to
  // that; Windows, which reports a leave without polling, loses nothing.
  TRACKMOUSEEVENT tracking{};
  tracking.cbSize = sizeof tracking;
  tracking.dwFlags = TME_QUERY;
  if (!::TrackMouseEvent(&tracking) || tracking.hwndTrack != message.hwnd) return;
  if ((tracking.dwFlags & TME_LEAVE) == 0 || (tracking.dwFlags & TME_HOVER) != 0) return;
  UINT hover_ms = 400;
  ::SystemParametersInfoW(SPI_GETMOUSEHOVERTIME, 0, &hover_ms, 0);
  if (tracking.dwHoverTime >= hover_ms) return;
  tracking.cbSize = sizeof tracking;
  tracking.dwFlags = TME_LEAVE | (tracking.dwFlags & TME_NONCLIENT);
  tracking.dwHoverTime = HOVER_DEFAULT;
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
