#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/profile_store.h"
#include "settings/connection_totals.h"
#include "settings/order_editor.h"
#include "settings/profile_document.h"
#include "settings/settings.h"

namespace quillenta {

// Moves the whole set of settings between the settings file and the program. Each operation
// reads the file once and, when it writes, commits the new contents once.
class SettingsFile : public TotalsWriter {
 public:
  SettingsFile(ProfileStore& store, Settings& settings, OrderEditor& editor);

  // Never fails: a missing or unreadable file, key or number gives the key's default.
  void LoadSettings();
  // Throws quillenta::Error("<path> に書き込めません") when the file cannot be written; the
  // file then keeps its old contents.
  void SaveSettings(const PersistedTotals& totals, const std::string& line);
  PersistedTotals ReadConnectionTotals();
  void WriteConnectionTotals(const std::string& line, const PersistedTotals& totals) override;

 private:
  ProfileDocument ReadDocument();
  // A save must not replace a file it could not read: that would lose its contents.
  ProfileDocument ReadDocumentForSave();
  void Commit(const ProfileDocument& document);

  ProfileStore& store_;
  Settings& settings_;
  OrderEditor& editor_;
};

// The integer rules: the key's default for a missing key, a text that is not wholly a number,
// or a number outside the range (32-bit for most keys, 64-bit for the accounting totals).
std::int32_t ReadProfileInt(const ProfileDocument& document, std::string_view key,
                            std::int32_t default_value);
std::int64_t ReadProfileInt64(const ProfileDocument& document, std::string_view key,
                              std::int64_t default_value);
bool ReadProfileBool(const ProfileDocument& document, std::string_view key, bool default_value);

}  // namespace quillenta
