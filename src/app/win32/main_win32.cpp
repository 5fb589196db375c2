#include <objbase.h>
#include <windows.h>

#include "app/win32/main_window.h"
#include "platform/win32/instance_guard_win32.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  using namespace quillenta;
  // Before anything else, so that a second start changes nothing at all.
  Win32InstanceGuard guard;
  if (!guard.Acquire()) return 0;

  // ShellExecuteW may hand a document to a shell extension, which needs COM on this thread.
  const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  int exit_code = 0;
  {
    MainWindow window(instance, MakeWin32Platform());
    if (window.FormCreate()) exit_code = window.Run();
  }
  if (SUCCEEDED(com)) ::CoUninitialize();
  return exit_code;
}
