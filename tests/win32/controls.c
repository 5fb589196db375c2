/* What a window of another process shows, as the user reads it, for the end-to-end tests.
 *
 *   controls.exe CLASS
 *
 * Finds the top-level window of the window class CLASS and prints, UTF-8, one line each:
 *   client WIDTHxHEIGHT         its client area
 *   tab TEXT                    each tab of each tab control in it, in order
 *   CONTROL-CLASS TEXT          each window below it (GetWindowTextW), in z-order per parent
 * A tab's text lives in the other process: it is read through memory lent there.
 * The exit code is 1 when there is no such window. */
#include <stdio.h>
#include <windows.h>
#include <commctrl.h>

static void Print(const char* kind, const wchar_t* text) {
  char utf8[2048];
  WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, NULL, NULL);
  printf("%s %s\n", kind, utf8);
}

static void PrintTabs(HWND tabs) {
  DWORD pid = 0;
  GetWindowThreadProcessId(tabs, &pid);
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
  if (process == NULL) return;
  enum { kChars = 256 };
  char* remote = VirtualAllocEx(process, NULL, sizeof(TCITEMW) + kChars * sizeof(wchar_t),
                                MEM_COMMIT, PAGE_READWRITE);
  if (remote != NULL) {
    const LRESULT count = SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0);
    for (LRESULT n = 0; n < count; ++n) {
      TCITEMW item = {0};
      wchar_t text[kChars] = {0};
      item.mask = TCIF_TEXT;
      item.pszText = (wchar_t*)(remote + sizeof item);
      item.cchTextMax = kChars;
      WriteProcessMemory(process, remote, &item, sizeof item, NULL);
      WriteProcessMemory(process, remote + sizeof item, text, sizeof text, NULL);
      SendMessageW(tabs, TCM_GETITEMW, (WPARAM)n, (LPARAM)remote);
      ReadProcessMemory(process, remote + sizeof item, text, sizeof text - sizeof(wchar_t), NULL);
      Print("tab", text);
    }
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  }
  CloseHandle(process);
}

static BOOL CALLBACK PrintControl(HWND control, LPARAM unused) {
  wchar_t window_class[64], text[1024];
  (void)unused;
  GetClassNameW(control, window_class, 64);
  if (lstrcmpiW(window_class, WC_TABCONTROLW) == 0) PrintTabs(control);
  text[0] = 0;
  GetWindowTextW(control, text, 1024);
  char kind[64];
  WideCharToMultiByte(CP_UTF8, 0, window_class, -1, kind, sizeof kind, NULL, NULL);
  Print(kind, text);
  return TRUE;
}

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) return 2;
  HWND window = FindWindowW(argv[1], NULL);
  if (window == NULL) return 1;
  RECT client;
  GetClientRect(window, &client);
  printf("client %ldx%ld\n", client.right, client.bottom);
  EnumChildWindows(window, PrintControl, 0);
  return 0;
}
