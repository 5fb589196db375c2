#pragma once
// The live value of every setting. The settings window binds its controls to this model both
// ways; every consumer reads it when it needs a value, so an edit counts at the next tick.
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "lang/language.h"
#include "settings/signal.h"

namespace quillenta {

// Keys of the settings file (section "Quillenta"). The number of a flag or text key is the
// number of the control that edits it.
enum class FlagKey : std::uint8_t {
  b48, b49, b50, b51, b52, b53, b54, b55, b56, b57, b58, b59, b60, b61, b62, b63, b64,
  b65, b66, b67, b68, b69, b70, b72, b73, b74, b75, b76, b77, b78, b79, b81, b82, b83,
};
inline constexpr std::size_t kFlagCount = 34;

enum class TextKey : std::uint8_t {
  s50, s51, s52, s53, s54, s55, s56, s57, s58, s59, s60, s61, s62, s63, s64, s65, s66,
  s67, s68, s69, s70, s71, s73, s74, s75, s76, s77, s78, s79, s80, s81, s82, s83, s84,
  s85, s86, s87, s88, s89, s90, s91, s92, s93, s94, s95, s96, s97, s98,
};
inline constexpr std::size_t kTextCount = 48;

struct FlagDef {
  FlagKey key;
  const char* name;
  bool default_value;
};
struct TextDef {
  TextKey key;
  const char* name;
  const char* default_value;  // UTF-8, without the quotes the file stores
  // Where the line's own word or mark reads as Japanese: its default in every other language.
  const char* other_default = nullptr;
};
extern const std::array<FlagDef, kFlagCount> kFlagTable;  // in key order
extern const std::array<TextDef, kTextCount> kTextTable;  // in key order

// Integer keys outside the model: the item sequence, the byte unit and the accounting totals.
inline constexpr const char* kSection = "Quillenta";
inline constexpr const char* kByteUnitKey = "i34";
inline constexpr int kByteUnitDefault = 1;

enum class ByteUnit : int { kBytes = 1, kKilobytes = 2, kMegabytes = 3 };

const FlagDef& Def(FlagKey key);
const TextDef& Def(TextKey key);
// A text's default in the interface language `language`.
const char* DefaultText(const TextDef& def, Language language);

// The key of the interface's language, "auto" (the system's), "ja" or "en". A file without it
// is one of a version that knew only Japanese, so its user keeps the Japanese interface.
inline constexpr const char* kLanguageKey = "Language";
inline constexpr const char* kLanguageAutomatic = "auto";

// Whether the panel's icon carries the line beside it, "1" or "0"; written only once the user
// chose, so that a file without it follows the session (on in Wayland sessions, off in X11
// ones, whose panels stay as they were).
inline constexpr const char* kPanelLabelKey = "PanelLabel";

// What changed, for views that mirror the model.
struct SettingChange {
  enum class Kind { kFlag, kText, kByteUnit, kExtraMode, kCombined, kLanguage, kPanelLabel } kind;
  FlagKey flag = FlagKey::b48;
  TextKey text = TextKey::s50;
};

class Settings {
 public:
  // Defaults of the key table, except the periodic-save switch, which starts off so that a
  // load that turns it on also starts the periodic save.
  Settings();

  bool Flag(FlagKey key) const { return flags_[Index(key)]; }
  const std::string& Text(TextKey key) const { return texts_[Index(key)]; }
  ByteUnit Unit() const { return unit_; }

  // Each setter runs the change behaviours only when the value really changes.
  void SetFlag(FlagKey key, bool on);
  // A text ends at its first NUL, as a text of the settings file does.
  void SetText(TextKey key, std::string text);
  // 1, 2 or 3; any other value changes nothing.
  void SetByteUnit(int unit);

  // Extra mode (the "おまけ" mark) and the mark that makes the save write b48 and s00.
  bool ExtraMode() const { return extra_mode_; }
  bool ExtraModeMark() const { return extra_mark_; }
  void ToggleExtra();
  // What a load does: sets the mode and the mark from the stored b48.
  void LoadExtraMode(bool on);

  // The two combined switches ("受", "送"): not stored, off at every start.
  bool CombinedReceived() const { return combined_received_; }
  bool CombinedSent() const { return combined_sent_; }
  void SetCombinedReceived(bool on);
  void SetCombinedSent(bool on);

  // kLanguageAutomatic or the name of a language with a catalogue ("ja", "en"); any other
  // value is taken as kLanguageAutomatic.
  const std::string& LanguageChoice() const { return language_choice_; }
  void SetLanguageChoice(std::string choice);

  // The label beside the panel's icon: the user's choice, else the session's default.
  bool PanelLabel() const { return panel_label_choice_.value_or(panel_label_default_); }
  const std::optional<bool>& PanelLabelChoice() const { return panel_label_choice_; }
  void SetPanelLabel(bool on) { SetPanelLabelChoice(on); }
  void SetPanelLabelChoice(std::optional<bool> choice);
  void SetPanelLabelDefault(bool on);

  // Every change, for views.
  Signal<const SettingChange&> changed;
  // Periodic save switched on or off (b76 changed).
  Signal<bool> periodic_save_changed;

  static std::size_t Index(FlagKey key) { return static_cast<std::size_t>(key); }
  static std::size_t Index(TextKey key) { return static_cast<std::size_t>(key); }

 private:
  std::array<bool, kFlagCount> flags_{};
  std::array<std::string, kTextCount> texts_;
  ByteUnit unit_ = ByteUnit::kBytes;
  bool extra_mode_ = false;
  bool extra_mark_ = false;
  bool combined_received_ = false;
  bool combined_sent_ = false;
  std::string language_choice_ = kLanguageAutomatic;
  std::optional<bool> panel_label_choice_;
  bool panel_label_default_ = false;
};

}  // namespace quillenta
