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
 *              retitle MS N FILE  the window sets "TITLE #k" (TITLE its first title) every MS ms,
 *                             N times, reads its own title every 10 ms meanwhile, and then
 *                             writes "held H of S" to FILE: how many of the S samples held
 *                             " M:", the mark of the line
 *              setback FILE   from now on, whenever another program sets the window's text,
 *                             the window sets its first title back, and FILE tells
 *                             "set back N in MS ms" since the command
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

enum { kPollTimer = 1, kPollMs = 20, kHoldTimer = 2, kRetitleTimer = 3 };
enum { kSetBack = WM_APP + 1 };

static const wchar_t* own_title = L"testwin";
static unsigned retitles_left, retitle_number;
static volatile LONG samples, held, sampling;
static wchar_t* retitle_report;
static wchar_t* setback_report;
static unsigned set_backs;
static int under_wine;
static ULONGLONG setback_since;
static int setting_back;

/* The file is written beside and renamed over, so a reader sees a whole line or none. */
static void WriteLine(const wchar_t* path, const char* line) {
  size_t length = wcslen(path);
  wchar_t* temporary = calloc(length + 5, sizeof(wchar_t));
  if (temporary == NULL) return;
  swprintf(temporary, length + 5, L"%ls.new", path);
  FILE* out = _wfopen(temporary, L"wb");
  if (out != NULL) {
    fputs(line, out);
    fclose(out);
    MoveFileExW(temporary, path, MOVEFILE_REPLACE_EXISTING);
  }
  free(temporary);
}

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

// The window's text as the system holds it, read without a message to the window's thread.
static DWORD WINAPI Sample(void* window) {
  // 10 ms apart on average, each gap drawn anew: a fixed beat would keep one phase to the
  // retitles for the whole run and count either every answer's latency or none of it.
  unsigned seed = GetTickCount();
  while (sampling) {
    seed = seed * 1103515245u + 12345u;
    Sleep(5 + (seed >> 16) % 11);
    wchar_t text[1024];
    InternalGetWindowText((HWND)window, text, 1024);
    InterlockedIncrement(&samples);
    if (wcsstr(text, L" M:") != NULL) InterlockedIncrement(&held);
  }
  return 0;
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
  } else if (strncmp(line, "retitle ", 8) == 0) {
    char* rest = NULL;
    const UINT ms = (UINT)strtoul(line + 8, &rest, 10);
    retitles_left = (unsigned)strtoul(rest, &rest, 10);
    while (rest != NULL && *rest == ' ') ++rest;
    free(retitle_report);
    retitle_report = rest != NULL ? FromUtf8(rest, (int)strlen(rest)) : NULL;
    samples = held = 0;
    SetTimer(window, kRetitleTimer, ms, NULL);
    // A thread of its own, out of step with the retitles: a sample taken by the window's
    // thread right after its own retitle would always find the bare title, before any other
    // program could have answered.
    InterlockedExchange(&sampling, 1);
    CloseHandle(CreateThread(NULL, 0, Sample, window, 0, NULL));
  } else if (strncmp(line, "setback ", 8) == 0) {
    free(setback_report);
    setback_report = FromUtf8(line + 8, (int)strlen(line + 8));
    set_backs = 0;
    setback_since = GetTickCount64();
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
  char line[64];
  snprintf(line, sizeof line, "%llu %lu\n", (unsigned long long)(UINT_PTR)window,
           GetCurrentProcessId());
  WriteLine(path, line);
}

static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_TIMER:
      if (wparam == kPollTimer) PollControl(window);
      if (wparam == kHoldTimer) EndHold(window);
      if (wparam == kRetitleTimer) {
        if (retitles_left == 0) {
          KillTimer(window, kRetitleTimer);
          InterlockedExchange(&sampling, 0);
          char line[64];
          snprintf(line, sizeof line, "held %ld of %ld\n", held, samples);
          if (retitle_report != NULL) WriteLine(retitle_report, line);
          return 0;
        }
        --retitles_left;
        wchar_t numbered[512];
        swprintf(numbered, 512, L"%ls #%u", own_title, ++retitle_number);
        SetWindowTextW(window, numbered);
      }
      return 0;
    case WM_SETTEXT: {
      LRESULT result = DefWindowProcW(window, message, wparam, lparam);
      // Windows' DefWindowProc tells WinEvent hooks of the new name; Wine 8's does not, so
      // the test window does it there, for every writer alike.
      if (result && under_wine) {
        NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, window, OBJID_WINDOW, CHILDID_SELF);
      }
      if (setback_report != NULL && !setting_back &&
          wcscmp((const wchar_t*)lparam, own_title) != 0) {
        PostMessageW(window, kSetBack, 0, 0);
      }
      return result;
    }
    case kSetBack: {
      setting_back = 1;
      SetWindowTextW(window, own_title);
      setting_back = 0;
      char line[64];
      snprintf(line, sizeof line, "set back %u in %llu ms\n", ++set_backs,
               (unsigned long long)(GetTickCount64() - setback_since));
      WriteLine(setback_report, line);
      return 0;
    }
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
  under_wine = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != NULL;
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  const wchar_t* title = L"testwin";
  const wchar_t* class_name = L"QuillentaTestWindow";
  const wchar_t* report_path = NULL;
  for (int i = 1; argv != NULL && i + 1 < argc; i += 2) {
    if (wcscmp(argv[i], L"--title") == 0) {
      title = argv[i + 1];
      own_title = title;
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
