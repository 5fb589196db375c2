/* The least a Win32 title writer can do, as a yardstick for quillenta.exe's own cost: a hidden
 * top-level window whose 200 ms SetTimer reads the foreground window and its whole title,
 * GlobalMemoryStatusEx and GetSystemTimes, and writes its line with
 * SendMessageTimeoutW(WM_SETTEXT, SMTO_ABORTIFHUNG, 50 ms) whenever the line has changed.
 *
 * Its line is what makes the program's default line change: a seconds count and the CPU
 * figure, the busy share of the last 200 ms by the same GetSystemTimes arithmetic. So it
 * writes as often as the program must (a line with a per-refresh figure changes at nearly
 * every refresh), and a write, which crosses into another process and waits for its answer, is
 * counted on both sides alike.
 *
 *   floor_win32.exe                  writes into the foreground window
 *   floor_win32.exe /into TITLE      writes into the top-level window titled TITLE
 *   floor_win32.exe ... /seconds N   ends by itself after N seconds
 *   floor_win32.exe ... /line seconds
 *                                    the line is the seconds count alone, written once a
 *                                    second: the yardstick of a line without a CPU figure
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
static long ticks, limit_ticks;
static int with_cpu = 1;
static int cpu_busy;
static unsigned long long checksum, last_idle, last_total;
static wchar_t *written; /* the line last written into `target` */

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
  free(written);
  saved = written = NULL;
  target = NULL;
}

static unsigned long long ticks_of(FILETIME time) {
  return ((unsigned long long)time.dwHighDateTime << 32) | time.dwLowDateTime;
}

/* The busy share of the time since the last call, rounded, as the program has it. */
static void sample_cpu(void) {
  FILETIME idle, kernel, user;
  if (!GetSystemTimes(&idle, &kernel, &user)) return;
  unsigned long long now_idle = ticks_of(idle), now_total = ticks_of(kernel) + ticks_of(user);
  if (last_total && now_total > last_total) {
    unsigned long long elapsed = now_total - last_total;
    unsigned long long idled = now_idle > last_idle ? now_idle - last_idle : 0;
    if (idled > elapsed) idled = elapsed;
    cpu_busy = (int)(((elapsed - idled) * 200 + elapsed) / (2 * elapsed));
  }
  last_idle = now_idle;
  last_total = now_total;
  checksum += now_idle;
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
  sample_cpu();

  HWND wanted = fixed_target ? fixed_target : foreground;
  if (wanted != target) {
    give_back();
    if (is_writable(wanted)) {
      target = wanted;
      saved = title_of(wanted);
    }
  }
  if (target && saved) {
    size_t size = wcslen(saved) + 48;
    wchar_t *text = malloc(size * sizeof *text);
    if (text) {
      if (with_cpu) swprintf(text, size, L"%ls floor %ld C:%d%%", saved, ticks / 5, cpu_busy);
      else swprintf(text, size, L"%ls floor %ld", saved, ticks / 5);
      if (!written || wcscmp(text, written) != 0) {
        write_title(target, text);
        free(written);
        written = text;
      } else {
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
    else if (wcscmp(argv[i], L"/line") == 0) with_cpu = wcscmp(argv[i + 1], L"seconds") != 0;
  }
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
