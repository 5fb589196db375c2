// The settings window's places, sizes and faces at the window's DPI.
#include "app/win32/settings_window.h"

#include <commctrl.h>

#include <algorithm>
#include <optional>

#include "form/form_layout.h"
#include "platform/win32/wide.h"

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
  face_.clear();
  charset_ = DEFAULT_CHARSET;
  // A translation reads best in the face the system draws its own dialogs with (Segoe UI);
  // the Japanese window keeps the faces it has always had.
  if (InterfaceLanguage() == Language::kJapanese) {
    for (std::string_view family : form::Window().font_families) {
      if (FaceInstalled(Utf8ToWide(family))) {
        face_ = Utf8ToWide(family);
        charset_ = SHIFTJIS_CHARSET;
        break;
      }
    }
  }
  if (face_.empty()) {
    // Japanese on a Japanese Windows, when none of the description's faces is installed.
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

std::optional<int> SettingsWindow::Adornment(const form::ControlDef& def) const {
  switch (def.kind) {
    case Kind::kPushButton:
      return Scale(6);
    case Kind::kCheckBox:
    case Kind::kRadioButton:
      return ::GetSystemMetricsForDpi(SM_CXMENUCHECK, dpi_) + Scale(4);
    case Kind::kGroupBox:
      return Scale(16);
    case Kind::kLabel:
      // A position's number is no caption; the version's giant face is narrowed rather than
      // widening the page.
      if (def.binding != form::Binding::kNone || def.font.pixel_size != 0) return std::nullopt;
      return 0;
    default:
      return std::nullopt;
  }
}

int SettingsWindow::Needed(std::size_t index) {
  const form::ControlDef& def = form::Controls()[index];
  int pixels = 0;
  if (def.kind == Kind::kTabPage) {
    RECT item{};
    if (!::SendMessageW(tabs_, TCM_GETITEMRECT, def.page, reinterpret_cast<LPARAM>(&item))) {
      return 0;
    }
    // The strip's margin before the first tab counts with it.
    pixels = item.right - (def.page == 0 ? 0 : item.left) + Scale(2);
  } else {
    const std::optional<int> adornment = Adornment(def);
    if (!adornment || controls_[index] == nullptr) return 0;
    // A button's caption with no room to spare looks cramped against its frame.
    const int slack = def.kind == Kind::kPushButton ? Scale(6) : Scale(2);
    pixels = TextWidth(controls_[index], FontFor(def),
                       Utf8ToWide(form::PlainCaption(Tr(def.caption)))) +
             *adornment + slack;
  }
  // Back to 96 DPI, rounded up: the layout scales it again.
  return static_cast<int>((static_cast<long long>(pixels) * 96 + dpi_ - 1) / dpi_);
}

void SettingsWindow::Relabel() {
  if (window_ == nullptr) return;
  ChooseFace();
  const auto& defs = form::Controls();
  for (std::size_t i = 0; i < defs.size(); ++i) {
    const form::ControlDef& def = defs[i];
    if (controls_[i] == nullptr) continue;
    const std::wstring caption = Utf8ToWide(Tr(def.caption));
    if (def.kind == Kind::kTabPage) {
      TCITEMW item{};
      item.mask = TCIF_TEXT;
      item.pszText = const_cast<wchar_t*>(caption.c_str());
      ::SendMessageW(tabs_, TCM_SETITEMW, def.page, reinterpret_cast<LPARAM>(&item));
    } else if (def.kind != Kind::kEdit && def.kind != Kind::kTabControl &&
               def.binding != form::Binding::kOrderPosition) {
      ::SetWindowTextW(controls_[i], caption.c_str());
    }
  }
  Layout(dpi_);
}

void SettingsWindow::Layout(UINT dpi) {
  if (window_ == nullptr) return;
  dpi_ = dpi == 0 ? 96 : dpi;
  std::map<FontKey, HFONT> old_fonts;
  old_fonts.swap(fonts_);

  const auto& defs = form::Controls();
  const std::size_t tab_control = IndexOfHandle(tabs_);
  // The faces first: the captions are measured in them.
  for (std::size_t i = 0; i < defs.size(); ++i) {
    if (controls_[i] != nullptr) {
      ::SendMessageW(controls_[i], WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(defs[i])), FALSE);
    }
  }
  const form::Layout layout =
      form::LayoutFor(InterfaceLanguage(), [this](std::size_t index) { return Needed(index); });

  RECT frame{0, 0, Scale(layout.client_width), Scale(layout.client_height)};
  ::AdjustWindowRectExForDpi(&frame, kStyle, FALSE, kExStyle, dpi_);
  ::SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  // The frame as drawn may follow another DPI than the one asked for (a window that has not
  // yet moved to its monitor's): the client area is what must come out exact.
  RECT client{};
  ::GetClientRect(window_, &client);
  const int dx = Scale(layout.client_width) - client.right;
  const int dy = Scale(layout.client_height) - client.bottom;
  if (dx != 0 || dy != 0) {
    ::SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left + dx,
                   frame.bottom - frame.top + dy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }

  auto scaled = [this](const form::Rect& r) {
    // Edges scaled rather than sizes, so that neighbours stay flush at any DPI.
    return RECT{Scale(r.x), Scale(r.y), Scale(r.right()), Scale(r.bottom())};
  };
  std::vector<RECT> places(defs.size());
  // The pages fill the tab control's display area, whose top follows the strip's font.
  const RECT tabs_place = scaled(layout.rects[tab_control]);
  ::SetWindowPos(tabs_, nullptr, tabs_place.left, tabs_place.top,
                 tabs_place.right - tabs_place.left, tabs_place.bottom - tabs_place.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  RECT page_area{0, 0, tabs_place.right - tabs_place.left, tabs_place.bottom - tabs_place.top};
  ::SendMessageW(tabs_, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&page_area));
  ::OffsetRect(&page_area, tabs_place.left, tabs_place.top);
  for (std::size_t i = 0; i < defs.size(); ++i) {
    const form::ControlDef& def = defs[i];
    if (controls_[i] == nullptr || i == tab_control) continue;
    if (def.kind == Kind::kTabPage) {
      places[i] = page_area;
    } else {
      form::Rect rect = layout.rects[i];
      if (!def.group.empty()) {
        const form::Rect& group = layout.rects[form::IndexOf(def.group)];
        rect.x += group.x;
        rect.y += group.y;
      }
      places[i] = scaled(rect);
      RECT& place = places[i];
      // A field's own text (an address), in every language.
      const std::wstring caption = Utf8ToWide(Tr(def.caption));
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
  // The version's label is narrowed too; only a position's number has nothing to fit.
  if (def.kind == Kind::kLabel && def.binding != form::Binding::kNone) return;
  const int adornment = def.kind == Kind::kLabel ? 0 : Adornment(def).value_or(-1);
  if (adornment < 0) return;
  HWND control = controls_[index];
  const std::wstring caption = Utf8ToWide(form::PlainCaption(Tr(def.caption)));
  HDC dc = ::GetDC(control);
  HGDIOBJ old = ::SelectObject(dc, FontFor(def));
  TEXTMETRICW metrics{};
  ::GetTextMetricsW(dc, &metrics);
  ::SelectObject(dc, old);
  ::ReleaseDC(control, dc);
  // A slanted face leans past its last advance by about a quarter of its ascent: the top of
  // the last "2" of an italic "Version 2" was cut off. The Japanese caption ends in a
  // full-width "２", whose own margin has always held the slant.
  const int slant = def.font.italic && InterfaceLanguage() != Language::kJapanese
                        ? static_cast<int>(metrics.tmAscent) / 4
                        : 0;
  const int room = place.right - place.left - adornment - slant;
  const int needed = TextWidth(control, FontFor(def), caption);
  if (room <= 0 || needed <= room) return;
  // A narrower face keeps the caption whole and as tall as the rest.
  for (int width = static_cast<int>(metrics.tmAveCharWidth * room / needed); width > 0; --width) {
    HFONT narrow = FontFor(def, width);
    if (TextWidth(control, narrow, caption) <= room || width == 1) {
      ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(narrow), FALSE);
      return;
    }
  }
}

}  // namespace quillenta
