#include "settings/settings.h"

#include <utility>

namespace quillenta {

const std::array<FlagDef, kFlagCount> kFlagTable = {{
    {FlagKey::b48, "b48", false}, {FlagKey::b49, "b49", true},  {FlagKey::b50, "b50", true},
    {FlagKey::b51, "b51", false}, {FlagKey::b52, "b52", true},  {FlagKey::b53, "b53", false},
    {FlagKey::b54, "b54", true},  {FlagKey::b55, "b55", true},  {FlagKey::b56, "b56", false},
    {FlagKey::b57, "b57", false}, {FlagKey::b58, "b58", true},  {FlagKey::b59, "b59", true},
    {FlagKey::b60, "b60", false}, {FlagKey::b61, "b61", true},  {FlagKey::b62, "b62", true},
    {FlagKey::b63, "b63", false}, {FlagKey::b64, "b64", true},  {FlagKey::b65, "b65", true},
    {FlagKey::b66, "b66", true},  {FlagKey::b67, "b67", true},  {FlagKey::b68, "b68", true},
    {FlagKey::b69, "b69", false}, {FlagKey::b70, "b70", false}, {FlagKey::b72, "b72", false},
    {FlagKey::b73, "b73", true},  {FlagKey::b74, "b74", false}, {FlagKey::b75, "b75", true},
    {FlagKey::b76, "b76", true},  {FlagKey::b77, "b77", false}, {FlagKey::b78, "b78", false},
    {FlagKey::b79, "b79", false}, {FlagKey::b81, "b81", false}, {FlagKey::b82, "b82", false},
    {FlagKey::b83, "b83", true},
}};

const std::array<TextDef, kTextCount> kTextTable = {{
    {TextKey::s50, "s50", ""},      {TextKey::s51, "s51", " "},     {TextKey::s52, "s52", "20"},
    {TextKey::s53, "s53", "/"},     {TextKey::s54, "s54", ""},      {TextKey::s55, "s55", ""},
    {TextKey::s56, "s56", "/"},     {TextKey::s57, "s57", " "},     {TextKey::s58, "s58", "("},
    {TextKey::s59, "s59", ") "},    {TextKey::s60, "s60", ""},      {TextKey::s61, "s61", ""},
    {TextKey::s62, "s62", ":"},     {TextKey::s63, "s63", ""},      {TextKey::s64, "s64", ":"},
    {TextKey::s65, "s65", " "},     {TextKey::s66, "s66", "M:"},    {TextKey::s67, "s67", "% "},
    {TextKey::s68, "s68", "C:"},    {TextKey::s69, "s69", "% "},    {TextKey::s70, "s70", "E:"},
    {TextKey::s71, "s71", "% "},    {TextKey::s73, "s73", "V:"},    {TextKey::s74, "s74", "% "},
    {TextKey::s75, "s75", "P:"},    {TextKey::s76, "s76", "% "},    {TextKey::s77, "s77", "S:"},
    {TextKey::s78, "s78", "% "},    {TextKey::s79, "s79", "G:"},    {TextKey::s80, "s80", "% "},
    {TextKey::s81, "s81", "U:"},    {TextKey::s82, "s82", "% "},    {TextKey::s83, "s83", ""},
    {TextKey::s84, "s84", "ﾟ", "h"},     {TextKey::s85, "s85", ""},      {TextKey::s86, "s86", "'", "m"},
    {TextKey::s87, "s87", ""},      {TextKey::s88, "s88", "'' ", "s "},   {TextKey::s89, "s89", ""},
    {TextKey::s90, "s90", ""},      {TextKey::s91, "s91", ""},      {TextKey::s92, "s92", ""},
    {TextKey::s93, "s93", ""},      {TextKey::s94, "s94", ""},      {TextKey::s95, "s95", "受:", "Rx:"},
    {TextKey::s96, "s96", "byte "}, {TextKey::s97, "s97", "送:", "Tx:"},   {TextKey::s98, "s98", "byte "},
}};

const FlagDef& Def(FlagKey key) { return kFlagTable[Settings::Index(key)]; }
const TextDef& Def(TextKey key) { return kTextTable[Settings::Index(key)]; }

const char* DefaultText(const TextDef& def, Language language) {
  return language != Language::kJapanese && def.other_default != nullptr ? def.other_default
                                                                          : def.default_value;
}

void Settings::SetLanguageChoice(std::string choice) {
  if (choice != "ja" && choice != "en") choice = kLanguageAutomatic;
  if (choice == language_choice_) return;
  language_choice_ = std::move(choice);
  changed.Emit({SettingChange::Kind::kLanguage});
}

void Settings::SetPanelLabelChoice(std::optional<bool> choice) {
  const bool before = PanelLabel();
  panel_label_choice_ = choice;
  if (PanelLabel() != before) changed.Emit({SettingChange::Kind::kPanelLabel});
}

void Settings::SetPanelLabelDefault(bool on) {
  const bool before = PanelLabel();
  panel_label_default_ = on;
  if (PanelLabel() != before) changed.Emit({SettingChange::Kind::kPanelLabel});
}

namespace {

// The memory group whose unit text follows its percent switch.
bool PercentUnitOf(FlagKey key, TextKey* unit) {
  switch (key) {
    case FlagKey::b58: *unit = TextKey::s67; return true;
    case FlagKey::b61: *unit = TextKey::s74; return true;
    case FlagKey::b64: *unit = TextKey::s76; return true;
    default: return false;
  }
}

}  // namespace

Settings::Settings() {
  for (const FlagDef& def : kFlagTable) flags_[Index(def.key)] = def.default_value;
  for (const TextDef& def : kTextTable) texts_[Index(def.key)] = def.default_value;
  flags_[Index(FlagKey::b76)] = false;
}

void Settings::SetFlag(FlagKey key, bool on) {
  if (key == FlagKey::b48) {
    if (on != extra_mode_) ToggleExtra();
    return;
  }
  if (flags_[Index(key)] == on) return;
  flags_[Index(key)] = on;
  changed.Emit({SettingChange::Kind::kFlag, key});
  TextKey unit;
  if (PercentUnitOf(key, &unit)) SetText(unit, on ? "% " : "bytes ");
  if (key == FlagKey::b76) periodic_save_changed.Emit(on);
}

void Settings::SetText(TextKey key, std::string text) {
  // A NUL would end the line where a window title is written, and the title read back would
  // no longer be the line.
  if (std::size_t nul = text.find('\0'); nul != std::string::npos) text.resize(nul);
  std::string& slot = texts_[Index(key)];
  if (slot == text) return;
  slot = std::move(text);
  changed.Emit({SettingChange::Kind::kText, FlagKey::b48, key});
}

void Settings::SetByteUnit(int unit) {
  if (unit < 1 || unit > 3) return;
  auto chosen = static_cast<ByteUnit>(unit);
  if (chosen == unit_) return;
  unit_ = chosen;
  changed.Emit({SettingChange::Kind::kByteUnit});
  const char* text = chosen == ByteUnit::kBytes ? "byte " : chosen == ByteUnit::kKilobytes ? "KB " : "MB ";
  SetText(TextKey::s96, text);
  SetText(TextKey::s98, text);
}

void Settings::ToggleExtra() {
  bool& mode = flags_[Index(FlagKey::b48)];
  if (!mode) extra_mark_ = true;
  mode = !mode;
  extra_mode_ = mode;
  changed.Emit({SettingChange::Kind::kExtraMode});
}

void Settings::LoadExtraMode(bool on) {
  flags_[Index(FlagKey::b48)] = on;
  extra_mode_ = on;
  extra_mark_ = on;
  changed.Emit({SettingChange::Kind::kExtraMode});
}

void Settings::SetCombinedReceived(bool on) {
  if (combined_received_ == on) return;
  combined_received_ = on;
  changed.Emit({SettingChange::Kind::kCombined});
}

void Settings::SetCombinedSent(bool on) {
  if (combined_sent_ == on) return;
  combined_sent_ = on;
  changed.Emit({SettingChange::Kind::kCombined});
}

}  // namespace quillenta
