#include "platform/win32/shell_launcher.h"

#include <windows.h>
#include <shellapi.h>

#include "platform/win32/wide.h"

namespace quillenta {

void ShellLauncher::Open(const std::string& path) {
  // An empty field names nothing to start; the shell is not asked to make something of it.
  if (path.empty()) return;
  const std::wstring file = Utf8ToWide(path);
  // The watch sets its flag whether or not the start worked, so the result has no use.
  ::ShellExecuteW(nullptr, nullptr, file.c_str(), nullptr, nullptr, SW_SHOW);
}

}  // namespace quillenta
