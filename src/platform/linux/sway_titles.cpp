#include "platform/linux/sway_titles.h"

#include <nlohmann/json.hpp>

#include <array>
#include <charconv>

namespace quillenta::sway {

namespace {

using nlohmann::json;

constexpr std::string_view kRecordPrefix = "_quillenta_borrowed_";

json Parse(std::string_view text) { return json::parse(text, nullptr, /*allow_exceptions=*/false); }

std::string StringOr(const json& node, const char* key) {
  auto it = node.find(key);
  return it != node.end() && it->is_string() ? it->get<std::string>() : std::string();
}

// A view is the one kind of container that has a shell (xdg_shell or xwayland).
std::optional<View> ViewOf(const json& node) {
  if (!node.is_object() || !node.contains("shell")) return std::nullopt;
  auto id = node.find("id");
  if (id == node.end() || !id->is_number_integer()) return std::nullopt;
  View view;
  view.id = id->get<std::int64_t>();
  view.name = StringOr(node, "name");
  if (auto marks = node.find("marks"); marks != node.end() && marks->is_array()) {
    for (const json& mark : *marks) {
      if (mark.is_string()) view.marks.push_back(mark.get<std::string>());
    }
  }
  auto focused = node.find("focused");
  view.focused = focused != node.end() && focused->is_boolean() && focused->get<bool>();
  return view;
}

void Walk(const json& node, Tree& tree, int depth) {
  // Outputs, workspaces and split containers nest a few levels; a tree that nests without
  // end is not sway's.
  if (depth > 256 || !node.is_object()) return;
  if (auto view = ViewOf(node)) {
    if (view->focused) tree.focused = view->id;
    tree.views.push_back(std::move(*view));
  }
  for (const char* children : {"nodes", "floating_nodes"}) {
    auto it = node.find(children);
    if (it == node.end() || !it->is_array()) continue;
    for (const json& child : *it) Walk(child, tree, depth + 1);
  }
}

bool NonEmptyArray(const json& node, const char* key) {
  auto it = node.find(key);
  return it != node.end() && it->is_array() && !it->empty();
}

std::string_view Trim(std::string_view text) {
  const char* blanks = " \t\r";
  const auto first = text.find_first_not_of(blanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// Markup first, since the `%` of a placeholder that is let through must stay a `%`.
std::string ShownAsIs(std::string_view line, bool pango) {
  static constexpr std::array<std::string_view, 5> kPlaceholders = {"title", "app_id", "class",
                                                                   "instance", "shell"};
  std::string out;
  out.reserve(line.size());
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (pango) {
      switch (c) {
        case '&': out += "&amp;"; continue;
        case '<': out += "&lt;"; continue;
        case '>': out += "&gt;"; continue;
        case '%': out += "&#37;"; continue;
        default: out += c; continue;
      }
    }
    out += c;
    if (c != '%') continue;
    // Plain text has no escape for `%`: a WORD JOINER, which is drawn as nothing, keeps the
    // name after it from being read as a placeholder.
    const std::string_view rest = line.substr(i + 1);
    for (std::string_view name : kPlaceholders) {
      if (rest.substr(0, name.size()) == name) {
        out += "\u2060";
        break;
      }
    }
  }
  return out;
}

// sway replaces `$name` with a variable of its config and `$$` with `$`, but leaves a `$`
// right after a single backslash alone (do_var_replacement).
std::string DollarsKept(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    out += text[i];
    if (text[i] != '$') continue;
    const bool left_alone = i > 0 && text[i - 1] == '\\' && (i == 1 || text[i - 2] != '\\');
    if (!left_alone) out += '$';
  }
  return out;
}

// sway's command parser keeps backslashes and drops the quotes that are not escaped by an
// odd run of backslashes. So the text goes in double quotes, a `"` that no such run
// escapes goes in single quotes of its own, and where the text ends in such a run the
// closing quote is left off (sway takes the argument to the end of the command).
std::string Quoted(std::string_view text) {
  std::string out = "\"";
  std::size_t backslashes = 0;
  for (char c : text) {
    if (c == '"' && backslashes % 2 == 0) {
      out += "\"'\"'\"";
    } else {
      out += c;
    }
    backslashes = c == '\\' ? backslashes + 1 : 0;
  }
  if (backslashes % 2 == 0) out += '"';
  return out;
}

}  // namespace

std::optional<Tree> ParseTree(std::string_view text) {
  json root = Parse(text);
  if (!root.is_object() || !root.contains("nodes")) return std::nullopt;
  Tree tree;
  Walk(root, tree, 0);
  return tree;
}

std::optional<WindowEvent> ParseWindowEvent(std::string_view text) {
  json event = Parse(text);
  if (!event.is_object()) return std::nullopt;
  auto container = event.find("container");
  if (container == event.end()) return std::nullopt;
  auto view = ViewOf(*container);
  if (!view) return std::nullopt;
  return WindowEvent{StringOr(event, "change"), std::move(*view)};
}

bool FocusMovedToEmptyWorkspace(std::string_view text) {
  json event = Parse(text);
  if (!event.is_object() || StringOr(event, "change") != "focus") return false;
  auto current = event.find("current");
  if (current == event.end() || !current->is_object()) return false;
  return !NonEmptyArray(*current, "nodes") && !NonEmptyArray(*current, "floating_nodes");
}

bool PangoMarkupIn(std::string_view answer) {
  json root = Parse(answer);
  const std::string config = root.is_object() ? StringOr(root, "config") : std::string();
  bool pango = false;
  int depth = 0;
  std::string_view rest = config;
  while (!rest.empty()) {
    const auto end = rest.find('\n');
    std::string_view line = Trim(rest.substr(0, end));
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    if (line.empty() || line.front() == '#') continue;
    if (depth == 0 && line.substr(0, 5) == "font " ) {
      std::string_view font = Trim(line.substr(5));
      if (!font.empty() && (font.front() == '"' || font.front() == '\'')) font.remove_prefix(1);
      pango = font.substr(0, 6) == "pango:";
    }
    for (char c : line) {
      if (c == '{') ++depth;
      if (c == '}' && depth > 0) --depth;
    }
  }
  return pango;
}

std::string FormatArgument(std::string_view format) { return Quoted(DollarsKept(format)); }

std::string TitleFormatArgument(std::string_view line, bool pango) {
  return FormatArgument(ShownAsIs(line, pango));
}

std::string RecordMark(std::int64_t container, std::string_view own_format) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string mark(kRecordPrefix);
  mark += std::to_string(container);
  mark += '_';
  for (unsigned char c : own_format) {
    mark += kHex[c >> 4];
    mark += kHex[c & 15];
  }
  return mark;
}

bool IsRecordMark(std::string_view mark) { return mark.substr(0, kRecordPrefix.size()) == kRecordPrefix; }

std::optional<Record> ParseRecordMark(std::string_view mark) {
  if (!IsRecordMark(mark)) return std::nullopt;
  mark.remove_prefix(kRecordPrefix.size());
  Record record;
  auto [after, error] = std::from_chars(mark.data(), mark.data() + mark.size(), record.container);
  if (error != std::errc() || after == mark.data() || after == mark.data() + mark.size() ||
      *after != '_' || record.container <= 0) {
    return std::nullopt;
  }
  std::string_view hex = mark.substr(static_cast<std::size_t>(after + 1 - mark.data()));
  if (hex.size() % 2 != 0) return std::nullopt;
  auto digit = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  };
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    const int high = digit(hex[i]);
    const int low = digit(hex[i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    record.own_format += static_cast<char>(high << 4 | low);
  }
  return record;
}

std::string ForContainer(std::int64_t container, std::string_view command) {
  std::string out = "[con_id=" + std::to_string(container) + "] ";
  out += command;
  return out;
}

}  // namespace quillenta::sway
