#include "platform/win32/borrowed_titles_win32.h"

#include <knownfolders.h>
#include <shlobj.h>
#include <windows.h>

#include <atomic>
#include <cstring>
#include <cwchar>

namespace quillenta {
namespace {

using namespace borrowed_titles_layout;

// The order of the stores into the view is what a crash leaves; the compiler must keep it.
void Ordered() { std::atomic_signal_fence(std::memory_order_seq_cst); }

static_assert(sizeof(wchar_t) == 2, "the record holds UTF-16");

std::uint64_t ToValue(HWND window) { return reinterpret_cast<std::uintptr_t>(window); }

std::uint32_t Fnv1a(std::uint32_t sum, const void* data, std::size_t size) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  for (std::size_t i = 0; i < size; ++i) sum = (sum ^ bytes[i]) * 16777619u;
  return sum;
}

std::uint32_t ChecksumOf(const Slot& slot) {
  std::uint32_t sum = 2166136261u;
  sum = Fnv1a(sum, &slot.window, sizeof slot.window);
  sum = Fnv1a(sum, &slot.process, sizeof slot.process);
  sum = Fnv1a(sum, &slot.thread, sizeof slot.thread);
  sum = Fnv1a(sum, &slot.title_length, sizeof slot.title_length);
  if (slot.title_length <= kCapacity) sum = Fnv1a(sum, slot.title, slot.title_length * 2);
  return sum;
}

std::uint32_t Store(wchar_t* to, std::wstring_view text) {
  if (text.size() > kCapacity) return kUnknownLength;
  std::memcpy(to, text.data(), text.size() * sizeof(wchar_t));
  return static_cast<std::uint32_t>(text.size());
}

void Reset(File& file) {
  std::memset(&file, 0, sizeof file);
  file.header = {kMagic, kVersion, kSlots, sizeof(Slot)};
}

std::wstring LocalAppData() {
  PWSTR known = nullptr;
  std::wstring folder;
  if (SUCCEEDED(::SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &known))) folder = known;
  ::CoTaskMemFree(known);
  if (!folder.empty()) return folder;
  if (DWORD n = ::GetEnvironmentVariableW(L"LOCALAPPDATA", nullptr, 0); n > 1) {
    folder.resize(n);
    folder.resize(::GetEnvironmentVariableW(L"LOCALAPPDATA", folder.data(), n));
  }
  return folder;
}

}  // namespace

std::wstring BorrowedTitles::DefaultPath() {
  const std::wstring folder = LocalAppData();
  if (folder.empty()) return {};
  DWORD session = 0;
  ::ProcessIdToSessionId(::GetCurrentProcessId(), &session);
  return folder + L"\\Quillenta\\borrowed-titles-" + std::to_wstring(session) + L".dat";
}

std::unique_ptr<BorrowedTitles> BorrowedTitles::Open(const std::wstring& path) {
  if (path.empty()) return nullptr;
  if (const auto slash = path.find_last_of(L"\\/"); slash != std::wstring::npos) {
    ::CreateDirectoryW(path.substr(0, slash).c_str(), nullptr);
  }
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  // A shorter file (new, or cut short) is extended to the record's size by the mapping.
  HANDLE mapping = ::CreateFileMappingW(file, nullptr, PAGE_READWRITE, 0, sizeof(File), nullptr);
  ::CloseHandle(file);
  if (mapping == nullptr) return nullptr;
  void* view = ::MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(File));
  ::CloseHandle(mapping);
  if (view == nullptr) return nullptr;
  auto* record = static_cast<File*>(view);
  const Header& header = record->header;
  if (header.magic != kMagic || header.version != kVersion || header.slots != kSlots ||
      header.slot_size != sizeof(Slot)) {
    Reset(*record);
  }
  return std::unique_ptr<BorrowedTitles>(new BorrowedTitles(record));
}

BorrowedTitles::BorrowedTitles(File* view) : view_(view) {}

BorrowedTitles::~BorrowedTitles() { ::UnmapViewOfFile(view_); }

std::vector<BorrowedTitles::Entry> BorrowedTitles::Entries() const {
  std::vector<Entry> entries;
  for (const Slot& slot : view_->slots) {
    // An unknown length, too, is out of range.
    if (slot.used != 1 || slot.title_length > kCapacity || slot.line_length > kCapacity ||
        slot.checksum != ChecksumOf(slot)) {
      continue;
    }
    entries.push_back({reinterpret_cast<HWND>(static_cast<std::uintptr_t>(slot.window)),
                       slot.process, slot.thread, std::wstring(slot.title, slot.title_length),
                       std::wstring(slot.line, slot.line_length)});
  }
  return entries;
}

void BorrowedTitles::Clear() { Reset(*view_); }

Slot* BorrowedTitles::Find(HWND window) const {
  // The target's slot, asked for at every refresh.
  if (last_ != nullptr && last_->used == 1 && last_->window == ToValue(window)) return last_;
  for (Slot& slot : view_->slots) {
    if (slot.used == 1 && slot.window == ToValue(window)) return last_ = &slot;
  }
  return nullptr;
}

void BorrowedTitles::Lend(HWND window, DWORD process, DWORD thread, std::wstring_view own_title) {
  Slot* slot = Find(window);
  for (Slot& candidate : view_->slots) {
    if (slot != nullptr) break;
    if (candidate.used != 1) slot = &candidate;
  }
  for (Slot& candidate : view_->slots) {
    if (slot != nullptr) break;
    if (!::IsWindow(reinterpret_cast<HWND>(static_cast<std::uintptr_t>(candidate.window)))) {
      slot = &candidate;
    }
  }
  if (slot == nullptr) {
    slot = &view_->slots[next_eviction_];
    next_eviction_ = (next_eviction_ + 1) % kSlots;
  }
  // Marked in use last: an entry a crash cut short is a free slot.
  slot->used = 0;
  Ordered();
  slot->window = ToValue(window);
  slot->process = process;
  slot->thread = thread;
  slot->title_length = Store(slot->title, own_title);
  slot->line_length = kUnknownLength;
  slot->checksum = ChecksumOf(*slot);
  Ordered();
  slot->used = 1;
  last_ = slot;
}

void BorrowedTitles::SetLine(HWND window, std::wstring_view line) {
  Slot* slot = Find(window);
  if (slot == nullptr) return;
  // The length goes unknown while the text changes, so that a crash between the two leaves a
  // line that matches nothing.
  slot->line_length = kUnknownLength;
  Ordered();
  const std::uint32_t length = Store(slot->line, line);
  Ordered();
  slot->line_length = length;
}

void BorrowedTitles::SetOwnTitle(HWND window, std::wstring_view own_title) {
  Slot* slot = Find(window);
  if (slot == nullptr) return;
  if (slot->title_length == own_title.size() &&
      std::wmemcmp(slot->title, own_title.data(), own_title.size()) == 0) {
    return;
  }
  slot->title_length = Store(slot->title, own_title);
  slot->checksum = ChecksumOf(*slot);
}

void BorrowedTitles::Observe(HWND window, std::wstring_view text) {
  Slot* slot = Find(window);
  if (slot == nullptr || slot->line_length == kUnknownLength) return;
  if (slot->line_length == text.size() && std::wmemcmp(slot->line, text.data(), text.size()) == 0) {
    return;
  }
  SetOwnTitle(window, text);
}

void BorrowedTitles::Remove(HWND window) {
  if (Slot* slot = Find(window)) slot->used = 0;
}

}  // namespace quillenta
