#pragma once
#include <cstdint>
#include <optional>
#include <string_view>

namespace quillenta {

// A compiled gettext catalogue (the .mo format msgfmt writes), read in place from bytes that
// outlive it: the catalogues are built into the program, so nothing is read from disk and
// nothing is copied. A message is keyed by its context and its source text, as gettext keys
// it ("context\x04source"). A catalogue whose bytes do not hold together (a bad magic number,
// a table or a string outside the bytes, a string without its terminating zero) holds no
// message at all, never part of one.
class Catalogue {
 public:
  Catalogue() = default;
  explicit Catalogue(std::string_view bytes);

  bool Valid() const { return count_ != 0 || valid_empty_; }
  std::uint32_t Size() const { return count_; }
  // The translation of `source` in `context`; none where the catalogue has no such message
  // or its translation is empty (gettext's sign of an untranslated message).
  std::optional<std::string_view> Find(std::string_view context, std::string_view source) const;

 private:
  std::uint32_t Word(std::uint32_t offset) const;
  // The string of entry `index` of the table at `table`, checked when the catalogue opened.
  std::string_view Entry(std::uint32_t table, std::uint32_t index) const;

  std::string_view bytes_;
  bool big_endian_ = false;
  bool valid_empty_ = false;
  bool sorted_ = false;
  std::uint32_t count_ = 0;
  std::uint32_t originals_ = 0;
  std::uint32_t translations_ = 0;
};

}  // namespace quillenta
