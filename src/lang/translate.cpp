#include "lang/translate.h"

#include <atomic>

#include "lang/catalogue.h"
#include "lang/catalogues.h"

namespace quillenta {

namespace {

std::atomic<Language> interface_language{Language::kJapanese};

const Catalogue& EnglishCatalogue() {
  static const Catalogue catalogue(EmbeddedCatalogue("en"));
  return catalogue;
}

// UTF-8 characters, not bytes: a Japanese caption is three bytes a character.
std::size_t CharacterCount(std::string_view text) {
  std::size_t count = 0;
  for (unsigned char c : text) count += (c & 0xC0) != 0x80;
  return count;
}

}  // namespace

void SetInterfaceLanguage(Language language) { interface_language.store(language); }
Language InterfaceLanguage() { return interface_language.load(); }

std::string TranslateTo(Language language, std::string_view context, std::string_view source) {
  // Without a context a text is its own in every language (an address, a language's name).
  if (language == Language::kJapanese || context.empty()) return std::string(source);
  const std::optional<std::string_view> english = EnglishCatalogue().Find(context, source);
  const std::string_view text = english ? *english : source;
  return language == Language::kPseudo ? Pseudo(text) : std::string(text);
}

std::string Tr(std::string_view context, std::string_view source) {
  return TranslateTo(InterfaceLanguage(), context, source);
}

std::string Substitute(std::string_view text, std::initializer_list<std::string_view> args) {
  std::string out;
  const std::string_view* next = args.begin();
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 1 < text.size() && (text[i + 1] == 's' || text[i + 1] == '%')) {
      if (text[++i] == '%') {
        out += '%';
      } else if (next != args.end()) {
        out += *next++;
      }
      continue;
    }
    out += text[i];
  }
  return out;
}

std::string Pseudo(std::string_view text) {
  if (text.empty()) return {};
  const std::size_t padding = (CharacterCount(text) * 2 + 4) / 5;
  std::string out = "[";
  out += text;
  // Fillers after the text, so that a field's own text (a URL, a path in %s) still reads.
  for (std::size_t i = 0; i < padding; ++i) out += i % 2 == 0 ? "~" : "\xC2\xB7";
  out += "]";
  return out;
}

}  // namespace quillenta
