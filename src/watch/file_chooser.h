#pragma once
// The file dialog of the "参照" buttons; each shell shows its own.
#include <optional>
#include <string>

namespace quillenta {

// Asks the user for one file; nullopt when cancelled.
class FileChooser {
 public:
  virtual ~FileChooser() = default;
  virtual std::optional<std::string> ChooseFile() = 0;
};

}  // namespace quillenta
