#pragma once
// Files and folders for the Win32 tests, through the wide API as the program uses it.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/win32/wide.h"

namespace quillenta::test {

inline bool MakeFolders(const std::string& path) {
  const std::wstring wide = Utf8ToWide(path);
  for (std::size_t at = wide.find_first_of(L"\\/", 3); at != std::wstring::npos;
       at = wide.find_first_of(L"\\/", at + 1)) {
    ::CreateDirectoryW(wide.substr(0, at).c_str(), nullptr);
  }
  return ::CreateDirectoryW(wide.c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS;
}

inline std::vector<std::string> Entries(const std::string& dir) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW found;
  HANDLE find = ::FindFirstFileW(Utf8ToWide(dir + "\\*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    std::wstring name = found.cFileName;
    if (name != L"." && name != L"..") names.push_back(WideToUtf8(name));
  } while (::FindNextFileW(find, &found));
  ::FindClose(find);
  std::sort(names.begin(), names.end());
  return names;
}

inline std::string ReadBytes(const std::string& path) {
  HANDLE file = ::CreateFileW(Utf8ToWide(path).c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                              nullptr);
  if (file == INVALID_HANDLE_VALUE) return "<unreadable>";
  std::string bytes;
  char buffer[65536];
  DWORD read = 0;
  while (::ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) {
    bytes.append(buffer, read);
  }
  ::CloseHandle(file);
  return bytes;
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  HANDLE file = ::CreateFileW(Utf8ToWide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  ::CloseHandle(file);
}

inline void Resize(const std::string& path, LONGLONG size) {
  HANDLE file = ::CreateFileW(Utf8ToWide(path).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  LARGE_INTEGER end;
  end.QuadPart = size;
  ::SetFilePointerEx(file, end, nullptr, FILE_BEGIN);
  ::SetEndOfFile(file);
  ::CloseHandle(file);
}

// Whether a file may be opened for writing, or a file be made in a folder.
inline bool Writable(const std::string& path) {
  const std::wstring wide = Utf8ToWide(path);
  const DWORD attributes = ::GetFileAttributesW(wide.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    const std::wstring probe = wide + L"\\writable.probe";
    // A probe made just before the folder became immutable could not be deleted on closing:
    // it goes as soon as the folder may be written again, and never counts as the folder's.
    ::DeleteFileW(probe.c_str());
    HANDLE file = ::CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    ::CloseHandle(file);
    return true;
  }
  HANDLE file = ::CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  ::CloseHandle(file);
  return true;
}

// The Linux name of a Windows path under Wine; empty elsewhere.
inline std::string UnixName(const std::string& path) {
  using UnixNameOf = char*(CDECL*)(const wchar_t*);
  auto unix_name = reinterpret_cast<UnixNameOf>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (unix_name == nullptr) return {};
  char* name = unix_name(Utf8ToWide(path).c_str());
  if (name == nullptr) return {};
  std::string result = name;
  ::HeapFree(::GetProcessHeap(), 0, name);
  return result;
}

// Starts a Linux command from Wine and waits, at most five seconds, until `done` says it has
// taken effect: Wine starts a Linux program but cannot wait for it.
template <typename Done>
bool RunLinuxCommand(std::wstring command, Done done) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
    return false;
  }
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  for (int i = 0; i < 200; ++i) {
    if (done()) return true;
    ::Sleep(25);
  }
  return false;
}

// A Linux symbolic link at `link` to `target` (a Windows path), made under Wine as a user
// makes one with ln -s; false where that cannot be done.
inline bool LinuxSymlink(const std::string& target, const std::string& link) {
  const std::string from = UnixName(target), to = UnixName(link);
  if (from.empty() || to.empty()) return false;
  return RunLinuxCommand(
      L"/bin/ln -s \"" + Utf8ToWide(from) + L"\" \"" + Utf8ToWide(to) + L"\"", [&link] {
        return ::GetFileAttributesW(Utf8ToWide(link).c_str()) != INVALID_FILE_ATTRIBUTES;
      });
}

// Runs Linux's chattr on a file of the Wine drive ("+i" makes it immutable even for root,
// which the Linux file modes do not). False when it did not take effect (not under Wine, or a
// file system without the attribute).
inline bool Chattr(const std::string& flag, const std::string& path) {
  const std::string name = UnixName(path);
  if (name.empty()) return false;
  const bool want_writable = flag == "-i";
  return RunLinuxCommand(
      L"/usr/bin/chattr " + Utf8ToWide(flag) + L" \"" + Utf8ToWide(name) + L"\"",
      [&] { return Writable(path) == want_writable; });
}

// A handle kept open on a file, as another program holding it would.
class Held {
 public:
  Held() = default;
  Held(const Held&) = delete;
  Held& operator=(const Held&) = delete;
  ~Held() {
    if (valid()) ::CloseHandle(handle_);
  }
  void Open(const std::string& path, DWORD share) {
    handle_ = ::CreateFileW(Utf8ToWide(path).c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                            0, nullptr);
  }
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

inline void RemoveTree(const std::wstring& path) {
  WIN32_FIND_DATAW found;
  HANDLE find = ::FindFirstFileW((path + L"\\*").c_str(), &found);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring child = path + L"\\" + name;
      ::SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        RemoveTree(child);
      } else {
        ::DeleteFileW(child.c_str());
      }
    } while (::FindNextFileW(find, &found));
    ::FindClose(find);
  }
  ::RemoveDirectoryW(path.c_str());
}

// A new folder under the temporary folder, removed with everything in it at the end.
class TempFolder {
 public:
  TempFolder() {
    wchar_t base[MAX_PATH + 1];
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, base);
    static unsigned counter = 0;
    for (;;) {
      std::wstring candidate = std::wstring(base, length) + L"quillenta-test-" +
                               std::to_wstring(::GetCurrentProcessId()) + L"-" +
                               std::to_wstring(++counter);
      if (::CreateDirectoryW(candidate.c_str(), nullptr)) {
        path_ = WideToUtf8(candidate);
        break;
      }
      if (::GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  ~TempFolder() {
    if (!path_.empty()) RemoveTree(Utf8ToWide(path_));
  }
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

 private:
  std::string path_;
};

}  // namespace quillenta::test
