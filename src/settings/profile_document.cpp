#include "settings/profile_document.h"

#include <algorithm>

#include "settings/profile_values.h"
#include "text/cp932.h"
#include "text/utf8.h"

namespace quillenta {

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }
bool IsTerminator(char c) { return c == '\r' || c == '\n'; }

char FoldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return FoldAscii(x) == FoldAscii(y);
         });
}

// The first terminator of a run: CRLF counts as one.
std::string_view FirstTerminator(std::string_view run) {
  if (run.size() >= 2 && run[0] == '\r' && run[1] == '\n') return run.substr(0, 2);
  return run.substr(0, 1);
}

}  // namespace

std::string_view ProfileDocument::Line::Name() const {
  return std::string_view(text).substr(name_begin, name_end - name_begin);
}

std::string_view ProfileDocument::Line::Value() const {
  return std::string_view(text).substr(value_begin, value_end - value_begin);
}

ProfileDocument::ProfileDocument(std::string_view text, bool code_page_932,
                                 std::string_view new_line)
    : code_page_932_(code_page_932), newline_(new_line) {
  if (text.substr(0, kBom.size()) == kBom) {
    bom_ = kBom;
    text.remove_prefix(kBom.size());
  }
  bool newline_found = false;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = pos;
    while (end < text.size() && !IsTerminator(text[end])) ++end;
    std::size_t run_end = end;
    while (run_end < text.size() && IsTerminator(text[run_end])) ++run_end;
    Line line;
    line.text = text.substr(pos, end - pos);
    line.eol = text.substr(end, run_end - end);
    if (!newline_found && !line.eol.empty()) {
      newline_ = FirstTerminator(line.eol);
      newline_found = true;
    }
    Classify(line);
    lines_.push_back(std::move(line));
    pos = run_end;
  }
}

void ProfileDocument::Classify(Line& line) {
  std::string_view text = line.text;
  std::size_t begin = 0, end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  line.has_value = false;
  if (begin == end) {
    line.kind = Kind::kBlank;
    return;
  }
  if (text[begin] == ';') {
    line.kind = Kind::kComment;
    return;
  }
  if (text[begin] == '[') {
    std::size_t close = text.rfind(']', end - 1);
    // Without a closing bracket the line is no section header; it reads as a key line.
    if (close != std::string_view::npos && close > begin) {
      std::size_t name_begin = begin + 1, name_end = close;
      while (name_begin < name_end && IsBlank(text[name_begin])) ++name_begin;
      while (name_end > name_begin && IsBlank(text[name_end - 1])) --name_end;
      line.kind = Kind::kSection;
      line.name_begin = name_begin;
      line.name_end = name_end;
      return;
    }
  }
  line.kind = Kind::kKey;
  std::size_t equals = text.find('=', begin);
  if (equals == std::string_view::npos || equals >= end) {
    line.name_begin = begin;
    line.name_end = end;
    return;
  }
  std::size_t name_end = equals;
  while (name_end > begin && IsBlank(text[name_end - 1])) --name_end;
  std::size_t value_begin = equals + 1;
  while (value_begin < end && IsBlank(text[value_begin])) ++value_begin;
  line.name_begin = begin;
  line.name_end = name_end;
  line.value_begin = value_begin;
  line.value_end = end;
  line.has_value = true;
}

std::size_t ProfileDocument::FindSection(std::string_view section) const {
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (lines_[i].kind == Kind::kSection && EqualsIgnoringAsciiCase(lines_[i].Name(), section)) {
      return i;
    }
  }
  return std::string::npos;
}

std::size_t ProfileDocument::FindKey(std::size_t section_line, std::string_view key) const {
  for (std::size_t i = section_line + 1; i < lines_.size(); ++i) {
    const Line& line = lines_[i];
    if (line.kind == Kind::kSection) break;
    if (line.kind == Kind::kKey && EqualsIgnoringAsciiCase(line.Name(), key)) return i;
  }
  return std::string::npos;
}

std::optional<std::string_view> ProfileDocument::StoredValue(std::string_view section,
                                                             std::string_view key) const {
  std::size_t s = FindSection(section);
  if (s == std::string::npos) return std::nullopt;
  std::size_t k = FindKey(s, key);
  if (k == std::string::npos || !lines_[k].has_value) return std::nullopt;
  return lines_[k].Value();
}

std::string ProfileDocument::ReadString(std::string_view section, std::string_view key,
                                        std::string_view default_value) const {
  std::string_view value = StoredValue(section, key).value_or(default_value);
  std::string_view unquoted = StripOneQuotePair(value);
  // The profile API hands its value back as a C string: what follows a NUL never arrives.
  unquoted = unquoted.substr(0, unquoted.find('\0'));
  const std::string readable = ReadableProfileText(unquoted);
  return std::string(code_page_932_ ? CutAtCodePage932Bytes(readable, kMaxValueBytes)
                                    : CutAtCharBoundary(readable, kMaxValueBytes));
}

void ProfileDocument::Write(std::string_view section, std::string_view key,
                            std::string_view value) {
  std::string text(key);
  text += '=';
  text += ToValidUtf8(value);
  std::replace_if(text.begin(), text.end(), IsTerminator, ' ');

  Line line;
  line.text = std::move(text);
  Classify(line);

  std::size_t s = FindSection(section);
  if (s == std::string::npos) {
    if (!lines_.empty()) {
      Line& last = lines_.back();
      if (last.eol.empty()) last.eol = newline_;
      // A blank line between the last section and ours, unless there is one already.
      if (last.kind != Kind::kBlank && last.eol.size() == FirstTerminator(last.eol).size()) {
        last.eol += newline_;
      }
    }
    Line header;
    header.text = "[" + std::string(section) + "]";
    header.eol = newline_;
    Classify(header);
    lines_.push_back(std::move(header));
    line.eol = newline_;
    lines_.push_back(std::move(line));
    return;
  }

  std::size_t k = FindKey(s, key);
  if (k != std::string::npos) {
    line.eol = std::move(lines_[k].eol);
    lines_[k] = std::move(line);
    return;
  }

  // After the section's last key line (or its header), before any blank lines or comments
  // that lead to the next section.
  std::size_t after = s;
  for (std::size_t i = s + 1; i < lines_.size() && lines_[i].kind != Kind::kSection; ++i) {
    if (lines_[i].kind == Kind::kKey) after = i;
  }
  Line& previous = lines_[after];
  if (previous.eol.empty()) {
    previous.eol = newline_;
    line.eol = "";
  } else {
    // The previous line keeps one terminator; the blank lines that followed it now follow us.
    line.eol = previous.eol;
    previous.eol = FirstTerminator(previous.eol);
  }
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(after) + 1, std::move(line));
}

std::string ProfileDocument::Text() const {
  std::size_t size = bom_.size();
  for (const Line& line : lines_) size += line.text.size() + line.eol.size();
  std::string out;
  out.reserve(size);
  out += bom_;
  for (const Line& line : lines_) {
    out += line.text;
    out += line.eol;
  }
  return out;
}

}  // namespace quillenta
