/* The least a Win32 title writer can do, as a yardstick for quillenta.exe's own cost: a hidden
 * top-level window whose 200 ms SetTimer reads the foreground window and its whole title,
 * GlobalMemoryStatusEx and GetSystemTimes; once a second it writes a text that changes each
 * second with SendMessageTimeoutW(WM_SETTEXT, SMTO_ABORTIFHUNG, 50 ms).
 *
 *   floor_win32.exe                  writes into the foreground window
 *   floor_win32.exe /into TITLE      writes into the top-level window titled TITLE
 *   floor_win32.exe ... /seconds N   ends by itself after N seconds
 *   floor_win32.exe ... /every N     writes every Nth tick instead of every fifth (1: each
 *                                    tick, as often as a line with a per-tick figure changes)
 *
 * Either way the window it wrote gets its own title back when the writer moves on or ends
 * (WM_CLOSE, WM_ENDSESSION, the time running out). Beside the real program the benchmark
 * uses /into: two writers of one title would feed on each other's lines, while a write into
 * another process's window costs the same whichever window it is. */
#include <windows.h>
#include <shellapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

enum { kTick = 1, kTickMs = 200, kWriteTimeoutMs = 50 };

static HWND own;
static HWND fixed_target; /* /into: the one window written; else the foreground */
static HWND target;       /* the window holding our text, whose title is `saved` */
static wchar_t *saved;
static wchar_t *reading;
static size_t reading_size;
static long ticks, limit_ticks, write_every = 5;
static unsigned long long checksum;

static void write_title(HWND window, const wchar_t *text) {
  DWORD_PTR result;
  SendMessageTimeoutW(window, WM_SETTEXT, 0, (LPARAM)text, SMTO_ABORTIFHUNG, kWriteTimeoutMs,
                      &result);
}

/* A copy of the window's whole title, never cut. */
static wchar_t *title_of(HWND window) {
  int length = GetWindowTextLengthW(window);
  wchar_t *title = calloc((size_t)length + 1, sizeof *title);
  if (title && length > 0) GetWindowTextW(window, title, length + 1);
  return title;
}

static void give_back(void) {
  if (target && saved && IsWindow(target)) write_title(target, saved);
  free(saved);
  saved = NULL;
  target = NULL;
}

static int is_writable(HWND window) {
  return window && window != own && window != GetDesktopWindow() && window != GetShellWindow();
}

static void tick(void) {
  ++ticks;
  HWND foreground = GetForegroundWindow();
  if (foreground) {
    int length = GetWindowTextLengthW(foreground);
    if ((size_t)length + 1 > reading_size) {
      free(reading);
      reading_size = (size_t)length + 64;
      reading = malloc(reading_size * sizeof *reading);
      if (!reading) reading_size = 0;
    }
    if (reading) checksum += (unsigned)GetWindowTextW(foreground, reading, (int)reading_size);
  }
  MEMORYSTATUSEX memory = {.dwLength = sizeof memory};
  if (GlobalMemoryStatusEx(&memory)) checksum += memory.dwMemoryLoad;
  FILETIME idle, kernel, user;
  if (GetSystemTimes(&idle, &kernel, &user)) checksum += idle.dwLowDateTime;

  if (ticks % write_every == 0) {
    HWND wanted = fixed_target ? fixed_target : foreground;
    if (wanted != target) {
      give_back();
      if (is_writable(wanted)) {
        target = wanted;
        saved = title_of(wanted);
      }
    }
    if (target && saved) {
      size_t size = wcslen(saved) + 32;
      wchar_t *text = malloc(size * sizeof *text);
      if (text) {
        swprintf(text, size, L"%ls floor %ld", saved, ticks / write_every);
        write_title(target, text);
        free(text);
      }
    }
  }
  if (limit_ticks > 0 && ticks >= limit_ticks) PostMessageW(own, WM_CLOSE, 0, 0);
}

static LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_TIMER:
      if (wparam == kTick) tick();
      return 0;
    case WM_QUERYENDSESSION:
      return TRUE;
    case WM_ENDSESSION:
      if (wparam) give_back();
      return 0;
    case WM_CLOSE:
      KillTimer(window, kTick);
      give_back();
      DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window, message, wparam, lparam);
  }
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show) {
  (void)previous, (void)command_line, (void)show;
  int argc = 0;
  wchar_t **argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  const wchar_t *into = NULL;
  for (int i = 1; argv && i + 1 < argc; i += 2) {
    if (wcscmp(argv[i], L"/into") == 0) into = argv[i + 1];
    else if (wcscmp(argv[i], L"/seconds") == 0) limit_ticks = wcstol(argv[i + 1], NULL, 10) * 5;
    else if (wcscmp(argv[i], L"/every") == 0) write_every = wcstol(argv[i + 1], NULL, 10);
  }
  if (write_every < 1) write_every = 1;
  if (into) {
    fixed_target = FindWindowW(NULL, into);
    if (!fixed_target) return 2;
  }

  WNDCLASSEXW window_class = {.cbSize = sizeof window_class,
                              .lpfnWndProc = window_proc,
                              .hInstance = instance,
                              .lpszClassName = L"QuillentaBenchFloor"};
  if (!RegisterClassExW(&window_class)) return 1;
  /* Top-level and never shown, like the program's own window: a close request reaches it. */
  own = CreateWindowExW(0, window_class.lpszClassName, L"floor", WS_OVERLAPPED | WS_CAPTION,
                        CW_USEDEFAULT, CW_USEDEFAULT, 0, 0, NULL, NULL, instance, NULL);
  if (!own || !SetTimer(own, kTick, kTickMs, NULL)) return 1;
  LocalFree(argv);

  MSG message;
  while (GetMessageW(&message, NULL, 0, 0) > 0) DispatchMessageW(&message);
  give_back();
  printf("%ld %llu\n", ticks, checksum);
  return 0;
}
