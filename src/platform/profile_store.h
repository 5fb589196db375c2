#pragma once
#include <string>

namespace quillenta {

// The settings file. Each load or save opens it once and commits once.
class ProfileStore {
 public:
  virtual ~ProfileStore() = default;
  // The file's full path, for messages.
  virtual const std::string& Path() const = 0;
};

}  // namespace quillenta
