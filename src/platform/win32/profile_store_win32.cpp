#include "platform/win32/profile_store_win32.h"

#include <shlobj.h>
#include <windows.h>

#include <utility>
#include <vector>

#include "platform/error.h"
#include "text/cp932.h"
#include "platform/win32/wide.h"

namespace quillenta {

namespace {

// A file this large is no settings file; refusing it keeps a save from replacing it.
constexpr LONGLONG kMaxFileBytes = 64 << 20;
constexpr DWORD kIoChunk = 1 << 20;

class Handle {
 public:
  explicit Handle(HANDLE handle = INVALID_HANDLE_VALUE) : handle_(handle) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  Handle(Handle&& other) noexcept : handle_(std::exchange(other.handle_, INVALID_HANDLE_VALUE)) {}
  ~Handle() { Close(); }
  HANDLE get() const { return handle_; }
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  bool Close() {
    bool ok = !valid() || ::CloseHandle(handle_) != 0;
    handle_ = INVALID_HANDLE_VALUE;
    return ok;
  }

 private:
  HANDLE handle_;
};

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// Another program has the file open without sharing for the moment (a virus scanner, an
// indexer, a sync client), or keeps it from being replaced while it holds it.
bool IsHeld(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
         error == ERROR_ACCESS_DENIED || error == ERROR_UNABLE_TO_REMOVE_REPLACED;
}

// Room for the temporary file's suffix beside the longest name.
constexpr std::size_t kTemporarySuffixRoom = 40;

// The form of a path the file functions take at any length: a path near or over MAX_PATH
// gets the "\\?\" prefix, which passes it to the file system as it is, so it is made full
// and its separators backslashes first. Shorter paths stay as they are.
std::wstring ForFileApi(const std::wstring& path) {
  if (path.size() + kTemporarySuffixRoom < MAX_PATH || path.rfind(L"\\\\?\\", 0) == 0) return path;
  std::wstring full(path.size() + MAX_PATH, L'\0');
  DWORD length = ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(),
                                    nullptr);
  if (length == 0 || length >= full.size()) return path;
  full.resize(length);
  for (wchar_t& c : full) {
    if (c == L'/') c = L'\\';
  }
  if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

// The folder part of a path; empty for a bare name.
std::wstring DirectoryOf(const std::wstring& path) {
  std::size_t end = path.size();
  while (end > 0 && !IsSeparator(path[end - 1])) --end;
  if (end == 0) return {};
  std::size_t cut = end;
  // "C:\" and "\" keep their separator: without it they name another folder.
  while (cut > 1 && IsSeparator(path[cut - 1]) && path[cut - 2] != L':') --cut;
  return path.substr(0, cut);
}

bool IsDirectory(const std::wstring& path) {
  DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool MakeDirectories(const std::wstring& dir) {
  if (dir.empty() || IsDirectory(dir)) return true;
  const std::wstring parent = DirectoryOf(dir);
  if (!parent.empty() && parent != dir && !MakeDirectories(parent)) return false;
  return ::CreateDirectoryW(dir.c_str(), nullptr) != 0 || IsDirectory(dir);
}

bool WriteAll(HANDLE file, std::string_view bytes) {
  while (!bytes.empty()) {
    const DWORD chunk = bytes.size() < kIoChunk ? static_cast<DWORD>(bytes.size()) : kIoChunk;
    DWORD written = 0;
    if (!::WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0) return false;
    bytes.remove_prefix(written);
  }
  return true;
}

// A new file of a name no other file in the folder has, opened for writing.
Handle CreateTemporaryBeside(const std::wstring& target, DWORD attributes, std::wstring& name) {
  const DWORD pid = ::GetCurrentProcessId();
  for (unsigned attempt = 0; attempt < 1000; ++attempt) {
    wchar_t suffix[48];
    ::wsprintfW(suffix, L".%lx-%lx-%u.tmp", pid, ::GetTickCount(), attempt);
    name = target + suffix;
    Handle file(
        ::CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, attributes, nullptr));
    if (file.valid()) return file;
    if (::GetLastError() != ERROR_FILE_EXISTS && ::GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  name.clear();
  return Handle();
}

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// The file opened for `access` (0: for its attributes only) when it is a file on a disk;
// else an invalid handle and why in `error` (ERROR_BAD_FILE_TYPE for a pipe, a console, a
// device, a folder, or under Wine a Linux FIFO, socket or device). Opening a pipe or a device
// for data can wait for its other end; the first open asks for no data, and ReOpenFile then
// opens that very file, so that nothing can take its place in between.
Handle OpenDiskFile(const std::wstring& path, DWORD access, DWORD& error) {
  Handle probe(::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                             FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!probe.valid()) {
    error = ::GetLastError();
    return Handle();
  }
  BY_HANDLE_FILE_INFORMATION info;
  if (::GetFileType(probe.get()) != FILE_TYPE_DISK ||
      !::GetFileInformationByHandle(probe.get(), &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    error = ERROR_BAD_FILE_TYPE;
    return Handle();
  }
  if (access == 0) return probe;
  Handle file(::ReOpenFile(probe.get(), access, kShareAll, 0));
  if (!file.valid()) error = ::GetLastError();
  return file;
}

// Whether this process may write the file: the read-only attribute, an ACL, a file another
// program holds locked, or (under Wine) a Linux file that is immutable. ERROR_SUCCESS when
// it may, else why not.
DWORD MayWrite(const std::wstring& path, DWORD attributes) {
  if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) return ERROR_FILE_READ_ONLY;
  DWORD error = ERROR_SUCCESS;
  Handle probe = OpenDiskFile(path, GENERIC_WRITE, error);
  return probe.valid() ? ERROR_SUCCESS : error;
}

// Whether two paths name one file the same way, the "\\\\?\\" prefix and case aside.
bool SamePath(const std::wstring& a, const std::wstring& b) {
  auto plain = [](const std::wstring& path) {
    std::wstring p = path.rfind(L"\\\\?\\", 0) == 0 ? path.substr(4) : path;
    for (wchar_t& c : p) {
      if (c == L'/') c = L'\\';
    }
    return p;
  };
  const std::wstring x = plain(a), y = plain(b);
  return ::CompareStringOrdinal(x.data(), static_cast<int>(x.size()), y.data(),
                                static_cast<int>(y.size()), TRUE) == CSTR_EQUAL;
}

// The file a link (a symbolic link, or a folder junction on the way) leads to, so that a save
// replaces that file and leaves the link a link; the path itself when it is no link or its
// end cannot be found.
std::wstring ThroughLinks(const std::wstring& path) {
  Handle file(::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!file.valid()) return path;
  std::wstring final_path(MAX_PATH, L'\0');
  for (int attempt = 0; attempt < 3; ++attempt) {
    const DWORD length = ::GetFinalPathNameByHandleW(
        file.get(), final_path.data(), static_cast<DWORD>(final_path.size()), VOLUME_NAME_DOS);
    if (length == 0) return path;
    if (length < final_path.size()) {
      final_path.resize(length);
      return final_path;
    }
    final_path.resize(length + 1);
  }
  return path;
}

// Puts the written temporary file in place of the target. False leaves the target as it was,
// except in the one case noted below.
bool PutInPlace(const std::wstring& temp, const std::wstring& target, bool exists,
                bool& temp_is_only_copy) {
  constexpr DWORD kMoveFlags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
  if (!exists) return ::MoveFileExW(temp.c_str(), target.c_str(), kMoveFlags) != 0;
  // ReplaceFileW keeps the old file's ACL, creation time and short name.
  if (::ReplaceFileW(target.c_str(), temp.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                     nullptr, nullptr)) {
    return true;
  }
  // ERROR_UNABLE_TO_MOVE_REPLACEMENT without a backup name means that the old file is gone
  // and the new one still has its temporary name.
  if (::GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES) return false;
  if (::MoveFileExW(temp.c_str(), target.c_str(), kMoveFlags)) return true;
  temp_is_only_copy = true;
  return false;
}

std::wstring TrimTrailingSeparators(std::wstring path) {
  while (path.size() > 1 && IsSeparator(path.back()) && path[path.size() - 2] != L':') {
    path.pop_back();
  }
  return path;
}

// The core's IniPathFor knows '/' only; a Windows path also ends its folders with '\' and
// its drive with ':', and a leading dot is an extension like any other.
std::wstring IniPathForWindows(const std::wstring& executable) {
  const std::size_t name_start = executable.find_last_of(L"\\/:");
  const std::size_t dot = executable.rfind(L'.');
  std::wstring stem = executable;
  if (dot != std::wstring::npos && (name_start == std::wstring::npos || dot > name_start)) {
    stem.resize(dot);
  }
  return stem + L".INI";
}

// Whether a file may be created in the folder: on Windows ACLs decide that, which no
// attribute shows, so a file is made and deleted at once.
bool FolderWritable(const std::wstring& dir) {
  std::wstring name;
  const std::wstring stem = IsSeparator(dir.back()) ? dir + L"quillenta-probe"
                                                    : dir + L"\\quillenta-probe";
  Handle probe = CreateTemporaryBeside(ForFileApi(stem), FILE_ATTRIBUTE_TEMPORARY, name);
  if (!probe.valid()) return false;
  probe.Close();
  ::DeleteFileW(name.c_str());
  return true;
}

}  // namespace

Win32ProfileStore::Win32ProfileStore(std::string path) : path_(std::move(path)) {}

ProfileStore::LoadResult Win32ProfileStore::Load(std::string& text) {
  text.clear();
  code_page_932_ = false;
  const std::wstring path = ForFileApi(Utf8ToWide(path_));
  DWORD error = ERROR_SUCCESS;
  Handle file = OpenDiskFile(path, GENERIC_READ, error);
  if (!file.valid()) {
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return LoadResult::kMissing;
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ? LoadResult::kHeld
                                                                            : LoadResult::kUnreadable;
  }
  LARGE_INTEGER size;
  if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart > kMaxFileBytes) {
    return LoadResult::kUnreadable;
  }
  std::string bytes;
  bytes.reserve(static_cast<std::size_t>(size.QuadPart));
  std::vector<char> buffer(65536);
  for (;;) {
    DWORD read = 0;
    if (!::ReadFile(file.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr)) {
      return LoadResult::kUnreadable;
    }
    if (read == 0) break;
    bytes.append(buffer.data(), read);
    // The file may have grown since its size was asked.
    if (bytes.size() > static_cast<std::size_t>(kMaxFileBytes)) return LoadResult::kUnreadable;
  }
  text = DecodeProfileBytes(bytes, &code_page_932_);
  return LoadResult::kRead;
}

void Win32ProfileStore::Commit(const std::string& text) {
  const Error failure(CannotWriteMessage(path_));
  const FileHeldError held(CannotWriteMessage(path_));
  if (path_.empty()) throw failure;
  std::wstring target = ForFileApi(Utf8ToWide(path_));

  std::string bytes;
  const ProfileEncoding encoding = EncodeProfileText(text, code_page_932_, bytes);
  if (encoding == ProfileEncoding::kNone) throw failure;

  DWORD old_attributes = ::GetFileAttributesW(target.c_str());
  const bool exists = old_attributes != INVALID_FILE_ATTRIBUTES;
  if (exists) {
    // Wine shows a Linux symbolic link as a plain file, with no reparse point: where the file
    // really is, only the handle tells.
    if (std::wstring real = ThroughLinks(target); !SamePath(real, target)) {
      target = std::move(real);
      old_attributes = ::GetFileAttributesW(target.c_str());
      if (old_attributes == INVALID_FILE_ATTRIBUTES) throw failure;
    }
    if ((old_attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) throw failure;
    // ReplaceFileW and MoveFileExW under Wine pass over a read-only file and clear the
    // attribute; the user made it read-only to keep it as it is.
    const DWORD refusal = MayWrite(target, old_attributes);
    if (refusal != ERROR_SUCCESS) {
      if (IsHeld(refusal)) throw held;
      throw failure;
    }
  } else {
    const DWORD error = ::GetLastError();
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) throw failure;
    if (!MakeDirectories(DirectoryOf(target))) throw failure;
  }

  // The new file carries the old one's visible attributes (hidden, system, not indexed);
  // read-only never reaches here and compression or encryption are ReplaceFileW's to keep.
  constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                          FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
  const DWORD attributes =
      exists && (old_attributes & kKept) != 0 ? old_attributes & kKept : FILE_ATTRIBUTE_NORMAL;
  std::wstring temp;
  Handle file = CreateTemporaryBeside(target, attributes, temp);
  if (!file.valid()) throw failure;
  bool temp_is_only_copy = false;
  const bool written = WriteAll(file.get(), bytes) && ::FlushFileBuffers(file.get()) != 0;
  const bool closed = file.Close();
  if (!written || !closed) {
    ::DeleteFileW(temp.c_str());
    throw failure;
  }
  if (!PutInPlace(temp, target, exists, temp_is_only_copy)) {
    const DWORD error = ::GetLastError();
    // With the old file gone, the temporary file holds the settings' only copy.
    if (!temp_is_only_copy) ::DeleteFileW(temp.c_str());
    if (!temp_is_only_copy && IsHeld(error)) throw held;
    throw failure;
  }
  code_page_932_ = encoding == ProfileEncoding::kCodePage932;
}

SettingsPlaces Win32SettingsPlaces(const std::string& executable_path,
                                   const std::string& appdata) {
  const std::wstring beside = IniPathForWindows(Utf8ToWide(executable_path));
  SettingsPlaces places;
  places.beside = WideToUtf8(beside);
  places.user_file = appdata.empty() ? std::string()
                                     : WideToUtf8(TrimTrailingSeparators(Utf8ToWide(appdata))) +
                                           "\\Quillenta\\quillenta.INI";
  places.beside_exists =
      ::GetFileAttributesW(ForFileApi(beside).c_str()) != INVALID_FILE_ATTRIBUTES;
  // The probe makes a file: only when the choice depends on it.
  if (!places.beside_exists && !places.user_file.empty()) {
    std::wstring dir = DirectoryOf(beside);
    if (dir.empty()) dir = L".";
    places.folder_takes_file = FolderWritable(TrimTrailingSeparators(dir));
  }
  return places;
}

SettingsPlaces Win32SettingsPlaces() {
  std::wstring exe(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = ::GetModuleFileNameW(nullptr, exe.data(), static_cast<DWORD>(exe.size()));
    if (length == 0) {
      exe.clear();
      break;
    }
    // A path that fills the buffer may have been cut: try again with more room.
    if (length < exe.size()) {
      exe.resize(length);
      break;
    }
    if (exe.size() >= 32768) {
      exe.clear();
      break;
    }
    exe.resize(exe.size() * 2);
  }

  std::wstring appdata;
  wchar_t folder[MAX_PATH];
  if (SUCCEEDED(::SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder))) {
    appdata = folder;
  } else if (DWORD n = ::GetEnvironmentVariableW(L"APPDATA", nullptr, 0); n > 1) {
    appdata.resize(n);
    appdata.resize(::GetEnvironmentVariableW(L"APPDATA", appdata.data(), n));
  }
  return Win32SettingsPlaces(WideToUtf8(exe), WideToUtf8(appdata));
}

}  // namespace quillenta
