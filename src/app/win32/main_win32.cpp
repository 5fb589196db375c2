#include <windows.h>

#include "app/win32/main_window.h"
#include "platform/win32/instance_guard_win32.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  using namespace quillenta;
  // Before anything else, so that a second start changes nothing at all.
  Win32InstanceGuard guard;
  if (!guard.Acquire()) return 0;

  MainWindow window(instance, MakeWin32Platform());
  if (!window.FormCreate()) return 0;
  return window.Run();
}
