#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <windows.h>

namespace quillenta {

// The file's layout, one fixed size, so that it is mapped once and never grows: a header,
// then kSlots entries. A crash can leave an entry half written and a power cut any older
// state of the pages; what reads the file trusts only what checks out.
namespace borrowed_titles_layout {
inline constexpr std::uint32_t kMagic = 0x54425551;  // "QUBT"
inline constexpr std::uint32_t kVersion = 1;
inline constexpr std::uint32_t kSlots = 8;
// UTF-16 units; a longer own title or line is recorded as unknown.
inline constexpr std::uint32_t kCapacity = 2048;
inline constexpr std::uint32_t kUnknownLength = 0xFFFFFFFF;

struct Header {
  std::uint32_t magic;
  std::uint32_t version;
  std::uint32_t slots;
  std::uint32_t slot_size;
};

struct Slot {
  std::uint32_t used;  // 0 or 1
  // Of window, process, thread and the own title: a title torn by a crash is never given back.
  // The line is left out of it: a torn line matches no window's text, so it is harmless, and
  // a write then costs no sum.
  std::uint32_t checksum;
  std::uint64_t window;
  std::uint32_t process;
  std::uint32_t thread;
  std::uint32_t title_length;
  std::uint32_t line_length;
  wchar_t title[kCapacity];
  wchar_t line[kCapacity];
};

struct File {
  Header header;
  Slot slots[kSlots];
};
}  // namespace borrowed_titles_layout

// What each window this program writes into must get back, should the program end without
// its shutdown (killed, crashed): the window's own title and the line written into it last,
// with the window's owner so that a handle the system has given to another window since is
// recognised. Kept in a small file mapped into memory: an update is a copy into the view, no
// write to disk; the system writes the pages out in its own time, also after the process is
// gone.
class BorrowedTitles {
 public:
  struct Entry {
    HWND window;
    DWORD process;
    DWORD thread;
    std::wstring own_title;
    std::wstring line;
  };

  // %LOCALAPPDATA%\Quillenta\borrowed-titles-<session>.dat: one per sign-in session, as the
  // instance guard is, since window handles are the session's.
  static std::wstring DefaultPath();
  // The record in `path` (its folder made), or null when it cannot be created or mapped. A
  // file that does not read as a record is reset.
  static std::unique_ptr<BorrowedTitles> Open(const std::wstring& path);
  ~BorrowedTitles();
  BorrowedTitles(const BorrowedTitles&) = delete;
  BorrowedTitles& operator=(const BorrowedTitles&) = delete;

  // Every entry that reads whole.
  std::vector<Entry> Entries() const;
  void Clear();

  bool Holds(HWND window) const { return Find(window) != nullptr; }
  // Starts the entry of `window` with its own title and no line yet. With every slot taken,
  // an entry of a window that has gone makes room, else the oldest.
  void Lend(HWND window, DWORD process, DWORD thread, std::wstring_view own_title);
  void SetLine(HWND window, std::wstring_view line);
  void SetOwnTitle(HWND window, std::wstring_view own_title);
  // The text `window` shows, as just read: one that is not the line last written is the
  // owner's own, as the title engine takes it.
  void Observe(HWND window, std::wstring_view text);
  void Remove(HWND window);

 private:
  explicit BorrowedTitles(borrowed_titles_layout::File* view);
  borrowed_titles_layout::Slot* Find(HWND window) const;

  borrowed_titles_layout::File* view_;
  mutable borrowed_titles_layout::Slot* last_ = nullptr;
  // Which slot to take next when all are in use.
  std::uint32_t next_eviction_ = 0;
};

}  // namespace quillenta
