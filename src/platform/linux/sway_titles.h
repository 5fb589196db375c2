#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What the sway window system reads from and writes to sway's IPC, without the socket: the
// JSON it reads, the commands it sends, the marks it leaves.
namespace quillenta::sway {

// A container that holds a window (a view), native Wayland or XWayland.
struct View {
  std::int64_t id = 0;
  // The window's own title; sway keeps a title_format apart from it.
  std::string name;
  std::vector<std::string> marks;
  bool focused = false;
};

struct Tree {
  std::vector<View> views;
  // 0 while the focus is on something that holds no window (an empty workspace).
  std::int64_t focused = 0;
};

// GET_TREE's answer; none when it is not a tree.
std::optional<Tree> ParseTree(std::string_view json);

struct WindowEvent {
  std::string change;  // "new", "close", "focus", "title", "mark", "move" ...
  View view;
};
// A `window` event about a view; none for another container or what is not such an event.
std::optional<WindowEvent> ParseWindowEvent(std::string_view json);

// For a `workspace` event: true when the focus moved to a workspace that holds no window, so
// that nothing is in front; false for any other workspace event.
bool FocusMovedToEmptyWorkspace(std::string_view json);

// Whether the font of title bars takes Pango markup, from GET_CONFIG's answer: sway reads
// the markup where the last `font` outside a bar block starts with "pango:".
bool PangoMarkupIn(std::string_view get_config_answer);

// The argument of a title_format command that makes the title bar show `line`, character
// for character: `%` never starts a placeholder, markup is escaped where `pango` is on, and
// the quoting and `$` survive sway's command parser.
std::string TitleFormatArgument(std::string_view line, bool pango);
// The argument of a title_format command that sets `format` as it is, placeholders and all.
std::string FormatArgument(std::string_view format);

// The format a window has where nobody set one.
inline constexpr std::string_view kOwnFormat = "%title";

// A hidden mark (sway draws no mark that starts with "_") on a container this program
// writes into: which container it was made for and the format that goes back.
std::string RecordMark(std::int64_t container, std::string_view own_format);
struct Record {
  std::int64_t container = 0;
  std::string own_format;
};
// None for a mark that is not such a record.
std::optional<Record> ParseRecordMark(std::string_view mark);
// Whether the mark is one of this program's, whole or damaged.
bool IsRecordMark(std::string_view mark);

// `[con_id=N] <command>`, the criterion that addresses one container.
std::string ForContainer(std::int64_t container, std::string_view command);

}  // namespace quillenta::sway
