#include "form/form_logic.h"

#include <exception>

namespace quillenta::form {

namespace {

// Its menu carries the extra mode's check mark.
bool OpensExtraMenu(const ControlDef& control) {
  for (const MenuDef& menu : Menus()) {
    if (menu.name != control.popup_menu) continue;
    for (const MenuItemDef& item : menu.items) {
      if (item.action == MenuAction::kToggleExtra) return true;
    }
  }
  return false;
}

}  // namespace

FormLogic::FormLogic(ProgramCore& core, FormView& view) : core_(core), view_(view) {}

template <typename F>
void FormLogic::Guarded(F action) {
  try {
    action();
  } catch (const std::exception& error) {
    core_.errors().Report(error.what());
  }
}

void FormLogic::RefreshAll(const std::vector<std::size_t>& controls) {
  for (std::size_t index : controls) view_.Refresh(index);
}

void FormLogic::OnClick(std::string_view name) {
  const ControlDef* control = FindControl(name);
  if (control == nullptr) return;
  switch (control->action) {
    case Action::kNone:
      break;
    case Action::kOk:
      // Hidden first: a save that fails reports over the tray, not over the window.
      view_.HideToTray();
      core_.SaveSettings();
      break;
    case Action::kRevert:
      Guarded([this] { core_.LoadSettings(); });
      RefreshAll(OrderPositions());
      break;
    case Action::kCloseWindow:
      view_.CloseWindow();
      break;
    case Action::kOrderItem:
      core_.order_editor().Click(control->arg);
      RefreshAll(OrderPositions());
      break;
    case Action::kOrderClear:
      core_.order_editor().ClearSequence();
      RefreshAll(OrderPositions());
      break;
    case Action::kResetConnectionTime:
      Guarded([this] { core_.accounting().ResetConnectionTime(); });
      break;
    case Action::kResetTraffic:
      Guarded([this] { core_.accounting().ResetTraffic(); });
      break;
    case Action::kBrowse:
      Guarded([this, control] {
        core_.time_watch().BrowseWatchProgram(control->arg, view_.Chooser());
      });
      break;
    case Action::kLaunch:
      Guarded([this, control] { core_.time_watch().LaunchWatchProgram(control->arg); });
      break;
    case Action::kOpenMail:
    case Action::kOpenWeb:
      if (auto address = Address(*control)) view_.OpenAddress(*address);
      break;
  }
}

void FormLogic::OnLinkPressed(std::string_view control) { pressed_link_ = control; }

bool FormLogic::OnLinkReleased(std::string_view control, bool inside) {
  const bool click = !pressed_link_.empty() && pressed_link_ == control && inside;
  pressed_link_.clear();
  if (click) OnClick(control);
  return click;
}

void FormLogic::OnToggled(std::string_view name, bool on) {
  const ControlDef* control = FindControl(name);
  if (control == nullptr) return;
  Settings& settings = core_.settings();
  switch (control->binding) {
    case Binding::kFlag:
      settings.SetFlag(control->flag, on);
      break;
    case Binding::kByteUnit:
      if (on) settings.SetByteUnit(control->arg);
      break;
    case Binding::kCombinedReceived:
      settings.SetCombinedReceived(on);
      break;
    case Binding::kCombinedSent:
      settings.SetCombinedSent(on);
      break;
    case Binding::kLanguage:
      if (on) settings.SetLanguageChoice(std::string(LanguageChoiceOf(*control)));
      break;
    case Binding::kPanelLabel:
      settings.SetPanelLabel(on);
      break;
    default:
      break;
  }
}

void FormLogic::OnTextEdited(std::string_view name, std::string text) {
  const ControlDef* control = FindControl(name);
  if (control != nullptr && control->binding == Binding::kText) {
    core_.settings().SetText(control->text, std::move(text));
  }
}

void FormLogic::OnMenuItem(std::string_view name) {
  const MenuItemDef* item = FindMenuItem(name);
  if (item == nullptr) return;
  switch (item->action) {
    case MenuAction::kEndProgram:
      view_.EndProgram();
      break;
    case MenuAction::kShowWindow:
      view_.ShowFromTray();
      break;
    case MenuAction::kCopyField:
      view_.CopyField(MenuOf(name)->owner);
      break;
    case MenuAction::kToggleExtra:
      core_.settings().ToggleExtra();
      break;
  }
}

bool FormLogic::Checked(const ControlDef& control) const {
  const Settings& settings = core_.settings();
  switch (control.binding) {
    case Binding::kFlag:
      return settings.Flag(control.flag);
    case Binding::kByteUnit:
      return static_cast<int>(settings.Unit()) == control.arg;
    case Binding::kCombinedReceived:
      return settings.CombinedReceived();
    case Binding::kCombinedSent:
      return settings.CombinedSent();
    case Binding::kLanguage:
      return settings.LanguageChoice() == LanguageChoiceOf(control);
    case Binding::kPanelLabel:
      return settings.PanelLabel();
    default:
      return false;
  }
}

std::string FormLogic::Text(const ControlDef& control) const {
  switch (control.binding) {
    case Binding::kText:
      return core_.settings().Text(control.text);
    case Binding::kOrderPosition:
      return core_.order_editor().Label(control.arg);
    default:
      return Tr(control.caption);
  }
}

bool FormLogic::Visible(const ControlDef& control) const {
  return !control.extra_only || core_.settings().ExtraMode();
}

bool FormLogic::MenuChecked(std::string_view item) const {
  const MenuItemDef* def = FindMenuItem(item);
  return def != nullptr && def->action == MenuAction::kToggleExtra &&
         core_.settings().ExtraMode();
}

std::optional<std::string> FormLogic::Address(const ControlDef& control) const {
  switch (control.action) {
    case Action::kOpenMail:
      return "mailto:" + std::string(control.caption.source);
    case Action::kOpenWeb:
      return std::string(control.caption.source);
    default:
      return std::nullopt;
  }
}

std::vector<std::size_t> FormLogic::ShownBy(const SettingChange& change) const {
  std::vector<std::size_t> shown;
  const auto& controls = Controls();
  for (std::size_t i = 0; i < controls.size(); ++i) {
    const ControlDef& control = controls[i];
    bool affected = false;
    switch (change.kind) {
      case SettingChange::Kind::kFlag:
        affected = control.binding == Binding::kFlag && control.flag == change.flag;
        break;
      case SettingChange::Kind::kText:
        affected = control.binding == Binding::kText && control.text == change.text;
        break;
      case SettingChange::Kind::kByteUnit:
        affected = control.binding == Binding::kByteUnit;
        break;
      case SettingChange::Kind::kExtraMode:
        affected = control.extra_only || OpensExtraMenu(control);
        break;
      case SettingChange::Kind::kCombined:
        affected = control.binding == Binding::kCombinedReceived ||
                   control.binding == Binding::kCombinedSent;
        break;
      case SettingChange::Kind::kLanguage:
        affected = control.binding == Binding::kLanguage;
        break;
      case SettingChange::Kind::kPanelLabel:
        affected = control.binding == Binding::kPanelLabel;
        break;
    }
    if (affected) shown.push_back(i);
  }
  return shown;
}

std::vector<std::size_t> FormLogic::OrderPositions() const {
  std::vector<std::size_t> positions;
  const auto& controls = Controls();
  for (std::size_t i = 0; i < controls.size(); ++i) {
    if (controls[i].binding == Binding::kOrderPosition) positions.push_back(i);
  }
  return positions;
}

}  // namespace quillenta::form
