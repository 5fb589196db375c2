#pragma once
// The text of a profile (INI) file, read with the rules of the Win32 profile functions and
// edited so that everything a save does not touch stays byte for byte.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillenta {

class ProfileDocument {
 public:
  // A text read is cut to this many bytes.
  static constexpr std::size_t kMaxValueBytes = 1023;

  ProfileDocument() = default;
  // code_page_932: the file was read from code page 932; its texts are cut by that
  // encoding's bytes. new_line: the line end of the lines a save adds while the text has no
  // line end of its own.
  explicit ProfileDocument(std::string_view text, bool code_page_932 = false,
                           std::string_view new_line = "\n");

  // The stored value of the first matching key in the first matching section, as the line
  // holds it (trimmed, quotes kept); nullopt when the key is missing or has no "=".
  std::optional<std::string_view> StoredValue(std::string_view section, std::string_view key) const;
  // What GetPrivateProfileString gives: the stored value or else the default, either without
  // one enclosing pair of quotes, cut to kMaxValueBytes of the file's encoding, in whole
  // characters.
  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view default_value) const;

  // Replaces the key's line in place, or appends it at the end of its section, or appends the
  // section at the end of the file. CR and LF in the value become blanks so that the value
  // stays on its line, and bytes that are not UTF-8 become U+FFFD so that the file stays UTF-8.
  void Write(std::string_view section, std::string_view key, std::string_view value);

  std::string Text() const;

 private:
  enum class Kind { kBlank, kComment, kSection, kKey };
  struct Line {
    std::string text;  // without its terminator
    std::string eol;   // the run of CR and LF that ended it; empty for an unterminated last line
    Kind kind = Kind::kBlank;
    // Offsets into text: the section or key name, and the value of a key line.
    std::size_t name_begin = 0, name_end = 0, value_begin = 0, value_end = 0;
    bool has_value = false;

    std::string_view Name() const;
    std::string_view Value() const;
  };

  static void Classify(Line& line);
  // Index of the first line of the first section named `section`, or npos.
  std::size_t FindSection(std::string_view section) const;
  std::size_t FindKey(std::size_t section_line, std::string_view key) const;
  const std::string& NewLine() const;

  std::string bom_;  // a leading UTF-8 byte-order mark, kept on writing
  bool code_page_932_ = false;
  std::vector<Line> lines_;
  std::string newline_ = "\n";  // the file's own line terminator, for lines we add
};

}  // namespace quillenta
