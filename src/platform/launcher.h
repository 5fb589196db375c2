#pragma once
#include <optional>
#include <string>

namespace quillenta {

// Starts a program or opens a document, never waiting for it.
class Launcher {
 public:
  virtual ~Launcher() = default;
  virtual void Open(const std::string& path) = 0;
};

// Asks the user for one file; nullopt when cancelled.
class FileChooser {
 public:
  virtual ~FileChooser() = default;
  virtual std::optional<std::string> ChooseFile() = 0;
};

}  // namespace quillenta
