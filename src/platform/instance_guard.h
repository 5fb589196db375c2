#pragma once

namespace quillenta {

// Held for the life of the first instance; a second instance fails to acquire it.
class InstanceGuard {
 public:
  virtual ~InstanceGuard() = default;
  virtual bool Acquire() = 0;
};

}  // namespace quillenta
