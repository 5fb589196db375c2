// The settings window's controls, made in code from the form description.
#include "app/win32/settings_window.h"

#include <commctrl.h>

#include <algorithm>

#include "platform/win32/wide.h"

namespace quillenta {

namespace {

using form::Kind;

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

}  // namespace

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
      const std::wstring caption = Utf8ToWide(Tr(def.caption));
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
  DWORD style = WS_CHILD | (def.linux_only ? 0 : WS_VISIBLE) | WS_CLIPSIBLINGS;
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
  const std::wstring caption = Utf8ToWide(Tr(def.caption));
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

}  // namespace quillenta
