#pragma once
// The interface's texts in the language the user has. Japanese is the source: a text is
// written in the code as it reads in Japanese, with a context that says where it is shown,
// and is looked up in the catalogue of the interface's language when it is shown. xgettext
// finds the texts by the two spellings below (`Tr` and `QMessage`), context first.
#include <string>
#include <string_view>

#include "lang/language.h"

namespace quillenta {

// A text named where it is declared and translated where it is shown.
struct Message {
  std::string_view context;
  std::string_view source;
  friend bool operator==(const Message&, const Message&) = default;
};

// Marks a text for the catalogues without translating it: for tables built once, whose
// texts are translated each time they are drawn.
constexpr Message QMessage(std::string_view context, std::string_view source) {
  return {context, source};
}

// The interface's language for the whole program. Set once the settings are read and again
// when the user changes it; the tick never reads it.
void SetInterfaceLanguage(Language language);
Language InterfaceLanguage();

// `source` in the interface's language: the source itself in Japanese, the catalogue's text
// in English (the source where a catalogue lacks it), and the English one lengthened by two
// fifths and bracketed in the pseudo-language.
std::string Tr(std::string_view context, std::string_view source);
inline std::string Tr(const Message& message) { return Tr(message.context, message.source); }
// The same in a given language, whatever the interface's.
std::string TranslateTo(Language language, std::string_view context, std::string_view source);

// `text` with each "%s" replaced by the next of `args` ("%%" is one '%'), so that a
// translation may move the placeholder; msgfmt checks that it keeps them all.
std::string Substitute(std::string_view text, std::initializer_list<std::string_view> args);

// What the pseudo-language makes of a text: bracketed, and longer by two fifths of its
// characters, with its mnemonic and placeholders kept.
std::string Pseudo(std::string_view text);

}  // namespace quillenta
