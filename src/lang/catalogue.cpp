#include "lang/catalogue.h"

#include <string>

namespace quillenta {

namespace {

constexpr std::uint32_t kMagic = 0x950412de;
constexpr std::uint32_t kHeaderBytes = 28;
constexpr char kContextSeparator = '\x04';

}  // namespace

Catalogue::Catalogue(std::string_view bytes) : bytes_(bytes) {
  if (bytes_.size() < kHeaderBytes) return;
  if (Word(0) != kMagic) {
    big_endian_ = true;
    if (Word(0) != kMagic) return;
  }
  // Only the major revision changes the layout.
  if ((Word(4) >> 16) != 0) return;
  const std::uint32_t count = Word(8);
  const std::uint32_t originals = Word(12);
  const std::uint32_t translations = Word(16);
  const std::uint64_t size = bytes_.size();
  for (std::uint32_t table : {originals, translations}) {
    if (table % 4 != 0 || table > size || (size - table) / 8 < count) return;
  }
  count_ = count;
  originals_ = originals;
  translations_ = translations;
  for (std::uint32_t table : {originals, translations}) {
    for (std::uint32_t i = 0; i < count; ++i) {
      const std::uint64_t length = Word(table + 8 * i);
      const std::uint64_t offset = Word(table + 8 * i + 4);
      if (offset > size || size - offset < length + 1 || bytes_[offset + length] != '\0') {
        count_ = 0;
        return;
      }
    }
  }
  valid_empty_ = count == 0;
  sorted_ = true;
  for (std::uint32_t i = 1; i < count && sorted_; ++i) {
    sorted_ = Entry(originals_, i - 1) < Entry(originals_, i);
  }
}

std::uint32_t Catalogue::Word(std::uint32_t offset) const {
  std::uint32_t value = 0;
  for (int i = 0; i < 4; ++i) {
    const auto byte = static_cast<std::uint8_t>(bytes_[offset + (big_endian_ ? i : 3 - i)]);
    value = value << 8 | byte;
  }
  return value;
}

std::string_view Catalogue::Entry(std::uint32_t table, std::uint32_t index) const {
  return bytes_.substr(Word(table + 8 * index + 4), Word(table + 8 * index));
}

std::optional<std::string_view> Catalogue::Find(std::string_view context,
                                                std::string_view source) const {
  if (count_ == 0) return std::nullopt;
  std::string key;
  key.reserve(context.size() + 1 + source.size());
  key.append(context).append(1, kContextSeparator).append(source);
  std::uint32_t found = count_;
  if (sorted_) {
    std::uint32_t low = 0, high = count_;
    while (low < high) {
      const std::uint32_t middle = low + (high - low) / 2;
      const std::string_view original = Entry(originals_, middle);
      if (original < key) {
        low = middle + 1;
      } else {
        high = middle;
      }
    }
    if (low < count_ && Entry(originals_, low) == key) found = low;
  } else {
    // Not as msgfmt writes it, but still a catalogue: every message is looked at.
    for (std::uint32_t i = 0; i < count_ && found == count_; ++i) {
      if (Entry(originals_, i) == key) found = i;
    }
  }
  if (found == count_) return std::nullopt;
  std::string_view translation = Entry(translations_, found);
  // A plural entry holds its forms one after another; the first is the singular.
  translation = translation.substr(0, translation.find('\0'));
  if (translation.empty()) return std::nullopt;
  return translation;
}

}  // namespace quillenta
