#pragma once
#include <string>

#include "accounting/accounting.h"
#include "platform/profile_store.h"
#include "settings/order_editor.h"
#include "settings/settings.h"

namespace quillenta {

// Moves the whole set of settings between the settings file and the program.
class SettingsFile : public TotalsWriter {
 public:
  SettingsFile(ProfileStore& store, Settings& settings, OrderEditor& editor);

  void LoadSettings();
  // Throws quillenta::Error("<path> に書き込めません") when the file cannot be written.
  void SaveSettings(const PersistedTotals& totals, const std::string& line);
  PersistedTotals ReadConnectionTotals();
  void WriteConnectionTotals(const std::string& line, const PersistedTotals& totals) override;

 private:
  ProfileStore& store_;
  Settings& settings_;
  OrderEditor& editor_;
};

}  // namespace quillenta
