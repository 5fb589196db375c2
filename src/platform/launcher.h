#pragma once
#include <string>

namespace quillenta {

// Starts a program or opens a document, never waiting for it.
class Launcher {
 public:
  virtual ~Launcher() = default;
  virtual void Open(const std::string& path) = 0;
};

}  // namespace quillenta
