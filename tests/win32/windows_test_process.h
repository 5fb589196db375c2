#pragma once
// Processes and message pumping for the tests of the window system and the instance guard.
#include <windows.h>

#include <chrono>
#include <string>
#include <vector>

namespace quillenta::test {

inline std::wstring OwnFolder() {
  std::wstring path(MAX_PATH, L'\0');
  DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  path.resize(length);
  return path.substr(0, path.find_last_of(L"\\/") + 1);
}

inline std::wstring OwnExecutable() {
  std::wstring path(MAX_PATH, L'\0');
  path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
  return path;
}

inline std::wstring Quoted(const std::wstring& argument) {
  std::wstring quoted = L"\"";
  for (wchar_t c : argument) {
    if (c == L'"') quoted += L'\\';
    quoted += c;
  }
  return quoted + L"\"";
}

// Handles this thread's messages (and with them the answers to SendMessageCallbackW) while
// waiting for `condition`, at most `ms` milliseconds.
template <class Condition>
bool PumpUntil(Condition condition, int ms) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  for (;;) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    if (condition()) return true;
    if (std::chrono::steady_clock::now() >= end) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

inline void Pump(int ms) {
  PumpUntil([] { return false; }, ms);
}

// A child process, ended and reaped when it goes out of scope.
class Child {
 public:
  Child(const std::wstring& program, const std::vector<std::wstring>& arguments) {
    std::wstring command = Quoted(program);
    for (const std::wstring& argument : arguments) command += L" " + Quoted(argument);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                       nullptr, &startup, &info)) {
      CloseHandle(info.hThread);
      process_ = info.hProcess;
    }
  }
  ~Child() {
    if (process_ == nullptr) return;
    if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
      TerminateProcess(process_, 99);
      WaitForSingleObject(process_, 5000);
    }
    CloseHandle(process_);
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  bool started() const { return process_ != nullptr; }
  HANDLE handle() const { return process_; }
  // The exit code, or -1 when the process has not ended within `ms`.
  long ExitCode(int ms) {
    if (process_ == nullptr || WaitForSingleObject(process_, ms) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    return static_cast<long>(code);
  }
  void Kill() {
    TerminateProcess(process_, 98);
    WaitForSingleObject(process_, 5000);
  }

 private:
  HANDLE process_ = nullptr;
};

// A folder of its own under %TEMP%, removed with what it holds.
class ScratchFolder {
 public:
  ScratchFolder() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    static int count = 0;
    path_ = std::wstring(temp) + L"quillenta-test-" + std::to_wstring(GetCurrentProcessId()) +
            L"-" + std::to_wstring(++count);
    CreateDirectoryW(path_.c_str(), nullptr);
  }
  ~ScratchFolder() {
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW((path_ + L"\\*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
      do {
        DeleteFileW((path_ + L"\\" + entry.cFileName).c_str());
      } while (FindNextFileW(find, &entry));
      FindClose(find);
    }
    RemoveDirectoryW(path_.c_str());
  }
  std::wstring File(const wchar_t* name) const { return path_ + L"\\" + name; }

 private:
  std::wstring path_;
};

}  // namespace quillenta::test
