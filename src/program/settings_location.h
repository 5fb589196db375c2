#pragma once
#include <string>

#include "platform/settings_places.h"

namespace quillenta {

// Beside the program when the file is there already or the program's folder takes one, so
// that a portable copy keeps its settings with it; otherwise, as for an installed program, in
// the user's configuration folder. With no such folder, beside the program all the same.
std::string ChooseSettingsFile(const SettingsPlaces& places);

}  // namespace quillenta
