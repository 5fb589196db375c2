/* A top-level window for the Windows tests, driven from outside.
 *
 *   testwin.exe [--title TEXT] [--class NAME] [--control FILE] [--report FILE]
 *
 * --title    the window's first title (default "testwin").
 * --class    the window class to register, e.g. Shell_TrayWnd to play the taskbar
 *            (default QuillentaTestWindow).
 * --report   once the window is shown, FILE gets one line "HWND PID" (both decimal). The
 *            line is written beside FILE and renamed over it, so a reader that sees the file
 *            sees the whole line.
 * --control  FILE is watched every 20 ms; each complete line appended to it (ending in a line
 *            feed) is one command, run once, in order. A file that gets shorter is read anew
 *            from its start. Commands, UTF-8:
 *              title TEXT     the window sets its own title (SetWindowTextW)
 *              hang MS        the window's thread stops answering messages for MS ms
 *              foreground     the window makes itself the foreground window
 *              hide           the window hides itself (ShowWindow SW_HIDE)
 *              endsession     WM_QUERYENDSESSION, then WM_ENDSESSION, sent to Quillenta's
 *                             main window as Windows sends them when the session ends
 *              dropicon       Quillenta's tray icon is deleted, as a shell that ends loses it
 *              taskbarcreated "TaskbarCreated" is broadcast, as a shell that starts does
 *              hold MS PATH   PATH is opened without sharing, as a virus scanner opens a file,
 *                             and held MS ms while the window goes on answering; PATH.held
 *                             exists exactly while it is held
 *              quit           the window is destroyed and the program ends
 *            An unknown command is ignored.
 *
 * The exit code is 0 when the window was destroyed (by "quit" or by its close box), 1 when it
 * could not be made. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>
#include <windows.h>
/* After windows.h: WIN32_LEAN_AND_MEAN leaves it out. */
#include <shellapi.h>

enum { kPollTimer = 1, kPollMs = 20, kHoldTimer = 2 };

/* "hold": the file held and the marker that says so, until the hold timer ends it. */
static HANDLE held_file = INVALID_HANDLE_VALUE;
static wchar_t* held_marker;

static void EndHold(HWND window) {
  KillTimer(window, kHoldTimer);
  if (held_file != INVALID_HANDLE_VALUE) CloseHandle(held_file);
  held_file = INVALID_HANDLE_VALUE;
  if (held_marker != NULL) DeleteFileW(held_marker);
  free(held_marker);
  held_marker = NULL;
}

static const wchar_t* control_path;
static LONGLONG control_offset;
static char* pending; /* a line read in part, waiting for its line feed */
static size_t pending_length;

static wchar_t* FromUtf8(const char* text, int length) {
  int wide_length = MultiByteToWideChar(CP_UTF8, 0, text, length, NULL, 0);
  wchar_t* wide = calloc((size_t)wide_length + 1, sizeof(wchar_t));
  if (wide == NULL) return NULL;
  MultiByteToWideChar(CP_UTF8, 0, text, length, wide, wide_length);
  wide[wide_length] = 0;
  return wide;
}

static void RunCommand(HWND window, char* line, size_t length) {
  if (length > 0 && line[length - 1] == '\r') line[--length] = 0;
  if (strncmp(line, "title ", 6) == 0 || strcmp(line, "title") == 0) {
    const char* text = length > 6 ? line + 6 : "";
    wchar_t* wide = FromUtf8(text, (int)strlen(text));
    if (wide != NULL) SetWindowTextW(window, wide);
    free(wide);
  } else if (strncmp(line, "hang ", 5) == 0) {
    Sleep((DWORD)strtoul(line + 5, NULL, 10));
  } else if (strcmp(line, "foreground") == 0) {
    SetForegroundWindow(window);
  } else if (strncmp(line, "hold ", 5) == 0) {
    char* path = NULL;
    const UINT ms = (UINT)strtoul(line + 5, &path, 10);
    while (path != NULL && *path == ' ') ++path;
    wchar_t* wide = path != NULL ? FromUtf8(path, (int)strlen(path)) : NULL;
    if (wide == NULL) return;
    EndHold(window);
    held_file = CreateFileW(wide, GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    const size_t marker_length = wcslen(wide) + 6;
    held_marker = malloc(marker_length * sizeof *held_marker);
    if (held_file != INVALID_HANDLE_VALUE && held_marker != NULL) {
      swprintf(held_marker, marker_length, L"%ls.held", wide);
      HANDLE made = CreateFileW(held_marker, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
      if (made != INVALID_HANDLE_VALUE) CloseHandle(made);
      SetTimer(window, kHoldTimer, ms, NULL);
    } else {
      EndHold(window);
    }
    free(wide);
  } else if (strcmp(line, "endsession") == 0) {
    HWND main_window = FindWindowW(L"QuillentaMainWindow", NULL);
    DWORD_PTR answer = 0;
    if (main_window != NULL &&
        SendMessageTimeoutW(main_window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_NORMAL,
                            5000, &answer) != 0 &&
        answer != 0) {
      SendMessageTimeoutW(main_window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_NORMAL, 5000,
                          &answer);
    }
  } else if (strcmp(line, "dropicon") == 0) {
    NOTIFYICONDATAW icon;
    memset(&icon, 0, sizeof icon);
    icon.cbSize = sizeof icon;
    icon.hWnd = FindWindowW(L"QuillentaMainWindow", NULL);
    icon.uID = 1;
    if (icon.hWnd != NULL) Shell_NotifyIconW(NIM_DELETE, &icon);
  } else if (strcmp(line, "taskbarcreated") == 0) {
    SendNotifyMessageW(HWND_BROADCAST, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
  } else if (strcmp(line, "hide") == 0) {
    ShowWindow(window, SW_HIDE);
  } else if (strcmp(line, "quit") == 0) {
    DestroyWindow(window);
  }
}

static void PollControl(HWND window) {
  HANDLE file = CreateFileW(control_path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE |
                            FILE_SHARE_DELETE, NULL, OPEN_EXISTING, 0, NULL);
  if (file == INVALID_HANDLE_VALUE) return;
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file, &size) || size.QuadPart == control_offset) {
    CloseHandle(file);
    return;
  }
  if (size.QuadPart < control_offset) {
    control_offset = 0;
    pending_length = 0;
  }
  LARGE_INTEGER at;
  at.QuadPart = control_offset;
  SetFilePointerEx(file, at, NULL, FILE_BEGIN);
  size_t wanted = (size_t)(size.QuadPart - control_offset);
  char* grown = realloc(pending, pending_length + wanted + 1);
  if (grown == NULL) {
    CloseHandle(file);
    return;
  }
  pending = grown;
  DWORD got = 0;
  ReadFile(file, pending + pending_length, (DWORD)wanted, &got, NULL);
  CloseHandle(file);
  control_offset += got;
  pending_length += got;

  /* The commands run after the buffer is settled: "quit" ends the window inside the loop. */
  size_t start = 0;
  for (size_t i = 0; i < pending_length; ++i) {
    if (pending[i] != '\n') continue;
    pending[i] = 0;
    RunCommand(window, pending + start, i - start);
    start = i + 1;
    if (!IsWindow(window)) return;
  }
  memmove(pending, pending + start, pending_length - start);
  pending_length -= start;
}

static void Report(const wchar_t* path, HWND window) {
  size_t length = wcslen(path);
  wchar_t* temporary = calloc(length + 5, sizeof(wchar_t));
  if (temporary == NULL) return;
  swprintf(temporary, length + 5, L"%ls.new", path);
  FILE* out = _wfopen(temporary, L"wb");
  if (out != NULL) {
    fprintf(out, "%llu %lu\n", (unsigned long long)(UINT_PTR)window, GetCurrentProcessId());
    fclose(out);
    MoveFileExW(temporary, path, MOVEFILE_REPLACE_EXISTING);
  }
  free(temporary);
}

static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_TIMER:
      if (wparam == kPollTimer) PollControl(window);
      if (wparam == kHoldTimer) EndHold(window);
      return 0;
    case WM_DESTROY:
      EndHold(window);
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window, message, wparam, lparam);
  }
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, PWSTR command_line, int show) {
  (void)previous;
  (void)command_line;
  (void)show;
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  const wchar_t* title = L"testwin";
  const wchar_t* class_name = L"QuillentaTestWindow";
  const wchar_t* report_path = NULL;
  for (int i = 1; argv != NULL && i + 1 < argc; i += 2) {
    if (wcscmp(argv[i], L"--title") == 0) {
      title = argv[i + 1];
    } else if (wcscmp(argv[i], L"--class") == 0) {
      class_name = argv[i + 1];
    } else if (wcscmp(argv[i], L"--control") == 0) {
      control_path = argv[i + 1];
    } else if (wcscmp(argv[i], L"--report") == 0) {
      report_path = argv[i + 1];
    }
  }

  WNDCLASSW window_class = {0};
  window_class.lpfnWndProc = WindowProc;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursorW(NULL, (LPCWSTR)IDC_ARROW);
  window_class.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
  window_class.lpszClassName = class_name;
  if (!RegisterClassW(&window_class)) return 1;
  HWND window = CreateWindowExW(0, class_name, title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                CW_USEDEFAULT, 400, 200, NULL, NULL, instance, NULL);
  if (window == NULL) return 1;
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  SetForegroundWindow(window);
  if (control_path != NULL) SetTimer(window, kPollTimer, kPollMs, NULL);
  if (report_path != NULL) Report(report_path, window);

  MSG message;
  while (GetMessageW(&message, NULL, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  LocalFree(argv);
  return 0;
}
