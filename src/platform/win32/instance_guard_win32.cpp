#include "platform/win32/instance_guard_win32.h"

#include <windows.h>

namespace quillenta {

Win32InstanceGuard::~Win32InstanceGuard() {
  if (mutex_ != nullptr) CloseHandle(mutex_);
}

bool Win32InstanceGuard::Acquire() {
  if (mutex_ != nullptr) return true;
  // Creating and testing in one call: two instances started at once cannot both see no
  // mutex and both go on.
  HANDLE mutex = CreateMutexW(nullptr, FALSE, name_.c_str());
  DWORD error = GetLastError();
  if (mutex == nullptr) {
    // The mutex of an instance running with rights this one lacks (elevated, another user
    // on the same session) cannot be opened, but it is there.
    if (error == ERROR_ACCESS_DENIED) return false;
    // Any other failure must not keep the program from running at all.
    return true;
  }
  if (error == ERROR_ALREADY_EXISTS) {
    CloseHandle(mutex);
    return false;
  }
  mutex_ = mutex;
  return true;
}

}  // namespace quillenta
