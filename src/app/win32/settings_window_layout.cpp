// The settings window's places, sizes and faces at the window's DPI.
#include "app/win32/settings_window.h"

#include <commctrl.h>

#include <algorithm>

#include "text/wide.h"

namespace quillenta {

namespace {

using form::Kind;

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

void SettingsWindow::ChooseFace() {
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

}  // namespace quillenta
