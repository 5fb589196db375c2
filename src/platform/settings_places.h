#pragma once
// The places a settings file may lie on a system, as its platform finds them; the program
// chooses among them (program/settings_location.h).
#include <string>

namespace quillenta {

struct SettingsPlaces {
  std::string beside;  // the program's path with ".INI"
  bool beside_exists = false;
  // The program's folder takes a new file: it is writable, and not a folder the system keeps
  // for its packages. Asked only when the choice depends on it.
  bool folder_takes_file = false;
  std::string user_file;  // in the user's configuration folder; empty when there is none
};

}  // namespace quillenta
