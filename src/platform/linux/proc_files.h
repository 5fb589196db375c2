#pragma once
// Reading the small text files of /proc and /sys that the probes take their figures from.
#include <fcntl.h>
#include <unistd.h>

#include <charconv>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/kept_file.h"

namespace quillenta::proc {

inline constexpr std::int64_t kInt64Max = std::numeric_limits<std::int64_t>::max();

inline std::string Join(const std::string& root, std::string_view path) {
  std::string joined = root;
  while (!joined.empty() && joined.back() == '/') joined.pop_back();
  while (!path.empty() && path.front() == '/') path.remove_prefix(1);
  joined.push_back('/');
  joined.append(path);
  return joined;
}

// At most `limit` bytes from the start of a file; proc files are read with one or two
// reads, so a partial read of a long one such as proc/stat is cheap and consistent.
inline std::optional<std::string> ReadFile(const std::string& path, std::size_t limit = 16384) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::string data(limit, '\0');
  std::size_t used = 0;
  while (used < limit) {
    ssize_t n = ::read(fd, data.data() + used, limit - used);
    if (n < 0) {
      ::close(fd);
      return std::nullopt;
    }
    if (n == 0) break;
    used += static_cast<std::size_t>(n);
  }
  ::close(fd);
  data.resize(used);
  return data;
}

inline std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ' || text.back() == '\t')) {
    text.remove_suffix(1);
  }
  return text;
}

// The text of a kept file: at most `size` bytes from its start.
inline std::optional<std::string_view> ReadKept(KeptFile& file, const std::string& path,
                                                char* buffer, std::size_t size) {
  ssize_t n = file.Read(AT_FDCWD, path.c_str(), buffer, size);
  if (n < 0) return std::nullopt;
  return std::string_view(buffer, static_cast<std::size_t>(n));
}

template <typename Int>
inline std::optional<Int> ParseNumber(std::string_view text) {
  Int value{};
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end == text.data()) return std::nullopt;
  return value;
}

// A proc or sysfs file holding one number.
inline std::optional<std::int64_t> ReadNumber(KeptFile& file, const std::string& path) {
  char buffer[64];
  std::optional<std::string_view> text = ReadKept(file, path, buffer, sizeof buffer);
  if (!text) return std::nullopt;
  return ParseNumber<std::int64_t>(Trim(*text));
}

// The "Key:   123 kB" lines of meminfo and status, in bytes.
inline std::optional<std::int64_t> FindKilobytes(std::string_view text, std::string_view key) {
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find('\n', at);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(at, end - at);
    at = end + 1;
    if (line.size() <= key.size() || line.compare(0, key.size(), key) != 0 ||
        line[key.size()] != ':') {
      continue;
    }
    std::optional<std::int64_t> kb = ParseNumber<std::int64_t>(Trim(line.substr(key.size() + 1)));
    if (!kb || *kb < 0 || *kb > kInt64Max / 1024) return std::nullopt;
    return *kb * 1024;
  }
  return std::nullopt;
}

// Up to `max` whitespace-separated fields of one line, without allocating; the number
// stored.
inline std::size_t SplitFields(std::string_view line, std::string_view* fields, std::size_t max) {
  std::size_t count = 0;
  std::size_t at = 0;
  while (at < line.size() && count < max) {
    while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
    std::size_t end = at;
    while (end < line.size() && line[end] != ' ' && line[end] != '\t') ++end;
    if (end > at) fields[count++] = line.substr(at, end - at);
    at = end;
  }
  return count;
}

// Whitespace-separated fields of one line.
inline std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t at = 0;
  while (at < line.size()) {
    while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
    std::size_t end = at;
    while (end < line.size() && line[end] != ' ' && line[end] != '\t') ++end;
    if (end > at) fields.push_back(line.substr(at, end - at));
    at = end;
  }
  return fields;
}

inline std::string_view FirstLine(std::string_view text) { return text.substr(0, text.find('\n')); }

// part / whole as a whole percentage, rounded to nearest, clamped to 0..100.
inline std::uint16_t Percent(unsigned __int128 part, unsigned __int128 whole) {
  if (whole == 0) return 0;
  if (part >= whole) return 100;
  return static_cast<std::uint16_t>((part * 200 + whole) / (2 * whole));
}

}  // namespace quillenta::proc
