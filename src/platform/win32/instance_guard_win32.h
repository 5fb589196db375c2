#pragma once
#include <string>

#include "platform/instance_guard.h"

namespace quillenta {

// A named kernel mutex, created and tested in one call, so that two instances started at
// the same moment cannot both run. Held until the process ends.
class Win32InstanceGuard : public InstanceGuard {
 public:
  explicit Win32InstanceGuard(std::wstring name = L"QuillentaByVouk") : name_(std::move(name)) {}
  ~Win32InstanceGuard() override;
  bool Acquire() override;

 private:
  std::wstring name_;
  void* mutex_ = nullptr;  // HANDLE
};

}  // namespace quillenta
