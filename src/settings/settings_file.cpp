#include "settings/settings_file.h"

#include <exception>
#include <limits>

#include "lang/translate.h"
#include "platform/error.h"
#include "settings/profile_values.h"

namespace quillenta {

namespace {

constexpr std::string_view kTenthsKey = "i30";
constexpr std::string_view kReceivedKey = "i31";
constexpr std::string_view kSentKey = "i33";
constexpr std::string_view kLineKey = "s00";

std::string SlotKey(int n) {
  std::string key = "i";
  if (n < 10) key += '0';
  key += std::to_string(n);
  return key;
}

std::string Quoted(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 2);
  out += '"';
  out += text;
  out += '"';
  return out;
}

void WriteTotals(ProfileDocument& document, const PersistedTotals& totals) {
  document.Write(kSection, kTenthsKey, std::to_string(totals.tenths));
  document.Write(kSection, kReceivedKey, std::to_string(totals.received));
  document.Write(kSection, kSentKey, std::to_string(totals.sent));
}

}  // namespace

std::int64_t ReadProfileInt64(const ProfileDocument& document, std::string_view key,
                              std::int64_t default_value) {
  std::string text = document.ReadString(kSection, key, "");
  return ParseProfileNumber(text, std::numeric_limits<std::int64_t>::min(),
                            std::numeric_limits<std::int64_t>::max())
      .value_or(default_value);
}

std::int32_t ReadProfileInt(const ProfileDocument& document, std::string_view key,
                            std::int32_t default_value) {
  std::string text = document.ReadString(kSection, key, "");
  auto value = ParseProfileNumber(text, std::numeric_limits<std::int32_t>::min(),
                                  std::numeric_limits<std::int32_t>::max());
  return value ? static_cast<std::int32_t>(*value) : default_value;
}

bool ReadProfileBool(const ProfileDocument& document, std::string_view key, bool default_value) {
  return ReadProfileInt(document, key, default_value ? 1 : 0) != 0;
}

SettingsFile::SettingsFile(ProfileStore& store, Settings& settings, OrderEditor& editor)
    : store_(store), settings_(settings), editor_(editor) {}

ProfileDocument SettingsFile::ReadDocument(bool* found) {
  std::string text;
  const ProfileStore::LoadResult result = store_.Load(text);
  if (found != nullptr) *found = result != ProfileStore::LoadResult::kMissing;
  if (result != ProfileStore::LoadResult::kRead) return ProfileDocument();
  return ProfileDocument(text, store_.LoadedCodePage932());
}

ProfileDocument SettingsFile::ReadDocumentForSave() {
  std::string text;
  switch (store_.Load(text)) {
    case ProfileStore::LoadResult::kRead:
      return ProfileDocument(text, store_.LoadedCodePage932(), store_.NewLine());
    case ProfileStore::LoadResult::kMissing:
      return ProfileDocument({}, false, store_.NewLine());
    case ProfileStore::LoadResult::kHeld:
      throw FileHeldError(CannotWriteMessage(store_.Path()));
    case ProfileStore::LoadResult::kUnreadable:
      break;
  }
  throw Error(CannotWriteMessage(store_.Path()));
}

void SettingsFile::Commit(const ProfileDocument& document) { store_.Commit(document.Text()); }

void SettingsFile::LoadSettings() {
  editor_.ClearSequence();
  bool found = false;
  const ProfileDocument document = ReadDocument(&found);
  // Any file there, even one that cannot be read, is an earlier version's user's.
  settings_.SetLanguageChoice(
      document.ReadString(kSection, kLanguageKey, found ? "ja" : kLanguageAutomatic));
  const Language language = InterfaceLanguage();
  const std::string panel_label = document.ReadString(kSection, kPanelLabelKey, "");
  settings_.SetPanelLabelChoice(panel_label == "1"   ? std::optional<bool>(true)
                                : panel_label == "0" ? std::optional<bool>(false)
                                                     : std::nullopt);

  ItemSequence& sequence = editor_.Sequence();
  for (int n = 1; n <= kItemCodeCount; ++n) {
    sequence.SetSlot(n, ReadProfileInt(document, SlotKey(n), n));
  }
  sequence.SetSlot(ItemSequence::kSlots, 0);

  settings_.SetByteUnit(ReadProfileInt(document, kByteUnitKey, kByteUnitDefault));
  settings_.LoadExtraMode(ReadProfileBool(document, Def(FlagKey::b48).name, false));
  for (const FlagDef& def : kFlagTable) {
    if (def.key == FlagKey::b48) continue;
    settings_.SetFlag(def.key, ReadProfileBool(document, def.name, def.default_value));
  }
  // The defaults pass through the same quote rule as stored texts.
  for (const TextDef& def : kTextTable) {
    absent_[Settings::Index(def.key)] = !document.StoredValue(kSection, def.name).has_value();
    settings_.SetText(def.key,
                      document.ReadString(kSection, def.name, Quoted(DefaultText(def, language))));
  }

  editor_.RefreshLabels();
}

void SettingsFile::SaveSettings(const PersistedTotals& totals, const std::string& line) {
  ProfileDocument document = ReadDocumentForSave();

  const ItemSequence& sequence = editor_.Sequence();
  for (int n = 1; n <= kItemCodeCount; ++n) {
    document.Write(kSection, SlotKey(n), std::to_string(sequence.Slot(n)));
  }
  document.Write(kSection, SlotKey(ItemSequence::kSlots), "0");
  WriteTotals(document, totals);
  document.Write(kSection, kByteUnitKey, std::to_string(static_cast<int>(settings_.Unit())));
  for (const FlagDef& def : kFlagTable) {
    if (def.key == FlagKey::b48) continue;
    document.Write(kSection, def.name, settings_.Flag(def.key) ? "1" : "0");
  }
  if (settings_.ExtraModeMark()) {
    document.Write(kSection, Def(FlagKey::b48).name, settings_.ExtraMode() ? "1" : "0");
    document.Write(kSection, kLineKey, Quoted(line));
  }
  for (const TextDef& def : kTextTable) {
    document.Write(kSection, def.name, Quoted(settings_.Text(def.key)));
  }
  document.Write(kSection, kLanguageKey, settings_.LanguageChoice());
  if (const std::optional<bool>& choice = settings_.PanelLabelChoice()) {
    document.Write(kSection, kPanelLabelKey, *choice ? "1" : "0");
  }
  absent_.fill(false);

  Commit(document);
}

void SettingsFile::FollowLanguage(Language from, Language to) {
  for (const TextDef& def : kTextTable) {
    if (!absent_[Settings::Index(def.key)]) continue;
    if (settings_.Text(def.key) == DefaultText(def, from)) {
      settings_.SetText(def.key, DefaultText(def, to));
    }
  }
}

PersistedTotals SettingsFile::ReadConnectionTotals() {
  const ProfileDocument document = ReadDocument();
  PersistedTotals totals;
  totals.tenths = ReadProfileInt64(document, kTenthsKey, 0);
  totals.received = ReadProfileInt64(document, kReceivedKey, 0);
  totals.sent = ReadProfileInt64(document, kSentKey, 0);
  return totals;
}

namespace {
constexpr std::string_view kWaylandNoticeKey = "WaylandNotice";
}  // namespace

bool SettingsFile::WaylandNoticeSeen() {
  return ReadProfileBool(ReadDocument(), kWaylandNoticeKey, false);
}

void SettingsFile::MarkWaylandNoticeSeen() {
  try {
    ProfileDocument document = ReadDocumentForSave();
    document.Write(kSection, kWaylandNoticeKey, "1");
    // A file made here must not pass for an earlier version's, which keeps Japanese.
    if (!document.StoredValue(kSection, kLanguageKey)) {
      document.Write(kSection, kLanguageKey, settings_.LanguageChoice());
    }
    Commit(document);
  } catch (const std::exception&) {
  }
}

void SettingsFile::WriteConnectionTotals(const std::string& line, const PersistedTotals& totals) {
  ProfileDocument document = ReadDocumentForSave();
  document.Write(kSection, kLineKey, line);
  WriteTotals(document, totals);
  Commit(document);
}

}  // namespace quillenta
