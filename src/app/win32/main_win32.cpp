#include <objbase.h>
#include <shellapi.h>
#include <windows.h>

#include <string>
#include <vector>

#include "lang/translate.h"
#include "program/command_line.h"
#include "app/win32/main_window.h"
#include "platform/win32/instance_guard_win32.h"
#include "platform/win32/ui_language_win32.h"
#include "platform/win32/wide.h"

namespace {

std::vector<std::string> Arguments() {
  std::vector<std::string> args;
  int count = 0;
  LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (argv == nullptr) return args;
  for (int i = 1; i < count; ++i) args.push_back(quillenta::WideToUtf8(argv[i]));
  ::LocalFree(argv);
  return args;
}

// A GUI program has no console of its own: the text goes where its output was redirected,
// else to the console it was started from, else into a message box, so that it is never lost.
void Tell(const std::string& text, bool error) {
  std::string crlf;
  for (char c : text) {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  HANDLE out = ::GetStdHandle(error ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
  DWORD written = 0;
  if (out != nullptr && out != INVALID_HANDLE_VALUE && ::GetFileType(out) != FILE_TYPE_UNKNOWN &&
      ::WriteFile(out, crlf.data(), static_cast<DWORD>(crlf.size()), &written, nullptr)) {
    return;
  }
  if (::AttachConsole(ATTACH_PARENT_PROCESS)) {
    HANDLE console = ::CreateFileW(L"CONOUT$", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                                   OPEN_EXISTING, 0, nullptr);
    const std::wstring wide = quillenta::Utf8ToWide(crlf);
    const bool shown =
        console != INVALID_HANDLE_VALUE &&
        ::WriteConsoleW(console, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    if (console != INVALID_HANDLE_VALUE) ::CloseHandle(console);
    ::FreeConsole();
    if (shown) return;
  }
  ::MessageBoxW(nullptr, quillenta::Utf8ToWide(text).c_str(), L"Quillenta",
                MB_OK | (error ? MB_ICONERROR : MB_ICONINFORMATION));
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  using namespace quillenta;
  // Before the instance guard: --help and --version answer while the program runs.
  const CommandLine command_line = ParseCommandLine(Arguments(), {}, true);
  SetInterfaceLanguage(command_line.language.value_or(Win32SystemLanguage()));
  switch (command_line.action) {
    case CommandAction::kHelp:
      Tell(HelpText(Tr("command line",
                       "Exit status: 0, also when another instance runs; 2 for a bad option.\n")),
           false);
      return 0;
    case CommandAction::kVersion:
      Tell(VersionText(), false);
      return 0;
    case CommandAction::kBadOption:
      Tell(BadOptionText(command_line), true);
      return kExitBadOption;
    case CommandAction::kRun:
      break;
  }

  // Before anything else of the start, so that a second start changes nothing at all.
  Win32InstanceGuard guard;
  if (!guard.Acquire()) return 0;

  // ShellExecuteW may hand a document to a shell extension, which needs COM on this thread.
  const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  int exit_code = 0;
  {
    MainWindow window(instance, MakeWin32Platform(command_line.language));
    if (window.FormCreate()) exit_code = window.Run();
  }
  if (SUCCEEDED(com)) ::CoUninitialize();
  return exit_code;
}
