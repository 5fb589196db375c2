#include "settings/settings_file.h"

#include <limits>

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

ProfileDocument SettingsFile::ReadDocument() {
  std::string text;
  if (store_.Load(text) != ProfileStore::LoadResult::kRead) return ProfileDocument();
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
      throw FileHeldError(store_.Path() + " に書き込めません");
    case ProfileStore::LoadResult::kUnreadable:
      break;
  }
  throw Error(store_.Path() + " に書き込めません");
}

void SettingsFile::Commit(const ProfileDocument& document) { store_.Commit(document.Text()); }

void SettingsFile::LoadSettings() {
  editor_.ClearSequence();
  const ProfileDocument document = ReadDocument();

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
    settings_.SetText(def.key, document.ReadString(kSection, def.name, Quoted(def.default_value)));
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

  Commit(document);
}

PersistedTotals SettingsFile::ReadConnectionTotals() {
  const ProfileDocument document = ReadDocument();
  PersistedTotals totals;
  totals.tenths = ReadProfileInt64(document, kTenthsKey, 0);
  totals.received = ReadProfileInt64(document, kReceivedKey, 0);
  totals.sent = ReadProfileInt64(document, kSentKey, 0);
  return totals;
}

void SettingsFile::WriteConnectionTotals(const std::string& line, const PersistedTotals& totals) {
  ProfileDocument document = ReadDocumentForSave();
  document.Write(kSection, kLineKey, line);
  WriteTotals(document, totals);
  Commit(document);
}

}  // namespace quillenta
