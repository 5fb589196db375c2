#include "program/settings_location.h"

namespace quillenta {

std::string ChooseSettingsFile(const SettingsPlaces& places) {
  if (places.beside_exists || places.folder_takes_file || places.user_file.empty()) {
    return places.beside;
  }
  return places.user_file;
}

}  // namespace quillenta
