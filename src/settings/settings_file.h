#pragma once
#include <array>
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

  // Never fails: a missing or unreadable file, key or number gives the key's default. The
  // language choice is set first, so that a listener makes it the interface's language before
  // the texts the file lacks take that language's defaults.
  void LoadSettings();
  // The interface's language went from `from` to `to`: the texts the file did not hold and
  // that still read as `from`'s defaults take `to`'s; a text of the user's is never changed.
  void FollowLanguage(Language from, Language to);
  // Whether the user has been told, in an earlier start, which windows a Wayland session
  // lets the line reach; marking it writes that key alone, and a file that cannot be written
  // only means the notice comes again.
  bool WaylandNoticeSeen();
  void MarkWaylandNoticeSeen();
  // Throws quillenta::Error("<path> に書き込めません") when the file cannot be written; the
  // file then keeps its old contents.
  void SaveSettings(const PersistedTotals& totals, const std::string& line);
  PersistedTotals ReadConnectionTotals();
  void WriteConnectionTotals(const std::string& line, const PersistedTotals& totals) override;

 private:
  ProfileDocument ReadDocument(bool* found = nullptr);
  // A save must not replace a file it could not read: that would lose its contents.
  ProfileDocument ReadDocumentForSave();
  void Commit(const ProfileDocument& document);

  ProfileStore& store_;
  Settings& settings_;
  OrderEditor& editor_;
  std::array<bool, kTextCount> absent_{};  // the texts the file read last did not hold
};

// The integer rules: the key's default for a missing key, a text that is not wholly a number,
// or a number outside the range (32-bit for most keys, 64-bit for the accounting totals).
std::int32_t ReadProfileInt(const ProfileDocument& document, std::string_view key,
                            std::int32_t default_value);
std::int64_t ReadProfileInt64(const ProfileDocument& document, std::string_view key,
                              std::int64_t default_value);
bool ReadProfileBool(const ProfileDocument& document, std::string_view key, bool default_value);

}  // namespace quillenta
