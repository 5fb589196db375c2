#include "settings/settings_file.h"

namespace quillenta {

SettingsFile::SettingsFile(ProfileStore& store, Settings& settings, OrderEditor& editor)
    : store_(store), settings_(settings), editor_(editor) {}

void SettingsFile::LoadSettings() {}
void SettingsFile::SaveSettings(const PersistedTotals&, const std::string&) {}
PersistedTotals SettingsFile::ReadConnectionTotals() { return {}; }
void SettingsFile::WriteConnectionTotals(const std::string&, const PersistedTotals&) {}

}  // namespace quillenta
