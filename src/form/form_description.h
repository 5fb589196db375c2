#pragma once
// The settings window as data: every control, its caption, place and key, and the menus.
// Each shell builds its widgets by walking this table; none spells a caption or a position.
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "lang/translate.h"
#include "settings/settings.h"
#include "settings/item_sequence.h"

namespace quillenta::form {

// Pixels at 96 DPI, relative to the control's parent (the window, a tab page or a group).
struct Rect {
  int x = 0, y = 0, width = 0, height = 0;
  int right() const { return x + width; }
  int bottom() const { return y + height; }
  friend bool operator==(const Rect&, const Rect&) = default;
};

enum class Kind {
  kTabControl,
  kTabPage,
  kGroupBox,
  kLabel,
  kEdit,
  kCheckBox,
  kRadioButton,
  kPushButton,
  kLinkField,  // read-only, blue, underlined, hand cursor; a click opens its address
};

// What a control's state mirrors in the model.
enum class Binding {
  kNone,
  kFlag,              // a check box of a b-key
  kText,              // an edit of an s-key
  kByteUnit,          // a radio button; arg = 1..3
  kCombinedReceived,  // "受": not stored
  kCombinedSent,      // "送": not stored
  kOrderPosition,     // a position label of the "順番" tab; arg = item code
  kLanguage,          // a radio button of the interface's language; arg = kLanguageChoices' index
  kPanelLabel,        // the line beside the panel's icon
};

// The language choices of the About tab, in order: the system's, then each language by name.
inline constexpr std::string_view kLanguageChoices[] = {"auto", "ja", "en"};

enum class Action {
  kNone,
  kOk,
  kRevert,
  kCloseWindow,
  kOrderItem,  // arg = item code
  kOrderClear,
  kResetConnectionTime,
  kResetTraffic,
  kBrowse,  // arg = watch row 1..3
  kLaunch,  // arg = watch row 1..3
  kOpenMail,
  kOpenWeb,
};

enum class Align { kLeftMiddle, kCenter, kLeftTop };
enum class Cursor { kArrow, kHand, kCross };

// Special text faces; pixel_size 0 is the window's font.
struct Font {
  int pixel_size = 0;
  bool italic = false;
};

struct ControlDef {
  Kind kind;
  std::string name{};
  // In the source language, '&' marking a mnemonic; without a context it is never translated.
  Message caption{};
  int page = -1;          // -1: on the window itself; else the tab page's index
  std::string group{};    // the group box it sits in; "" for the page (or window) itself
  Rect rect{};
  Binding binding = Binding::kNone;
  FlagKey flag = FlagKey::b48;
  TextKey text = TextKey::s50;
  int arg = 0;
  Action action = Action::kNone;
  int tab_order = -1;  // place in its page's (or the window's) focus chain; -1: takes no focus
  Font font{};
  Align align = Align::kLeftMiddle;
  Cursor cursor = Cursor::kArrow;
  std::string buddy{};       // the field a label's mnemonic leads to
  std::string popup_menu{};  // the menu its context click opens
  bool extra_only = false;  // shown in extra mode only
  // Of use to the Linux shell only (the Windows taskbar shows no text beside an icon): the
  // Windows shell keeps it hidden.
  bool linux_only = false;
  bool transparent = false;
  // Its text may be wider than the classic field: the field keeps its right edge and widens
  // to the left to fit.
  bool grows_left = false;
  // Keeps its right edge at this control's left edge when that one grows.
  std::string left_of{};
};

enum class MenuAction { kEndProgram, kShowWindow, kCopyField, kToggleExtra };

struct MenuItemDef {
  std::string name;
  Message caption;
  MenuAction action;
  bool checkable = false;
};

struct MenuDef {
  std::string name;
  std::string owner;  // the control it belongs to; "" for the tray icon
  std::vector<MenuItemDef> items;
};

struct WindowDef {
  std::string_view name;
  std::string_view caption;
  int client_width;
  int client_height;
  int font_pixel_size;
  // In order of preference; the system's Japanese Gothic face where none is installed.
  std::span<const std::string_view> font_families;
};

const WindowDef& Window();
// In creation order: a group comes before what it holds, and later siblings lie above earlier
// ones.
const std::vector<ControlDef>& Controls();
const std::vector<MenuDef>& Menus();

// Null when there is no such control or menu item.
const ControlDef* FindControl(std::string_view name);
const MenuItemDef* FindMenuItem(std::string_view name);
const MenuDef* MenuOf(std::string_view item);
// The control's index in Controls(); Controls().size() when there is none.
std::size_t IndexOf(std::string_view name);

// The settings value of a kLanguage radio button.
inline std::string_view LanguageChoiceOf(const ControlDef& control) {
  return kLanguageChoices[control.arg];
}

// The caption without its mnemonic marks ("&&" stays one '&').
std::string PlainCaption(std::string_view caption);

}  // namespace quillenta::form
