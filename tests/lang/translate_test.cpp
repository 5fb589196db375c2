// The interface's texts: each language's, the catalogue built in, and the Japanese frozen.
#include "lang/translate.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace quillenta {
namespace {

std::size_t Characters(std::string_view text) {
  std::size_t count = 0;
  for (unsigned char c : text) count += (c & 0xC0) != 0x80;
  return count;
}

TEST(TranslateTest, EachLanguageShowsItsOwnText) {
  struct Case {
    Language language;
    std::string_view context, source, expected;
  } const cases[] = {
      {Language::kJapanese, "tray menu", "終了", "終了"},
      {Language::kEnglish, "tray menu", "終了", "Quit"},
      {Language::kEnglish, "buttons", "終了(&X)", "&Quit"},
      // One source, two contexts: two translations.
      {Language::kEnglish, "weekday", "曜日", "Weekday"},
      {Language::kEnglish, "memory", "題目", "Label"},
      {Language::kEnglish, "traffic", "受信題目", "Rx label"},
      // No context: a name or an address of its own, never translated.
      {Language::kEnglish, "", "日本語", "日本語"},
      {Language::kPseudo, "", "quillenta@users.noreply.github.com",
       "quillenta@users.noreply.github.com"},
      // A text no catalogue holds shows as written rather than vanishing.
      {Language::kEnglish, "tray menu", "未知", "未知"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TranslateTo(c.language, c.context, c.source), c.expected) << c.source;
  }
  SetInterfaceLanguage(Language::kEnglish);
  EXPECT_EQ(Tr("tray menu", "設定"), "Settings");
  SetInterfaceLanguage(Language::kJapanese);
  EXPECT_EQ(Tr("tray menu", "設定"), "設定");
}

TEST(TranslateTest, ThePseudoLanguageIsLongerBracketedAndKeepsMarks) {
  for (std::string_view english : {"&Quit", "Cannot write to %s", "Rx", "Show at every start"}) {
    const std::string pseudo = Pseudo(english);
    EXPECT_EQ(pseudo.front(), '[');
    EXPECT_EQ(pseudo.back(), ']');
    EXPECT_NE(pseudo.find(english), std::string::npos) << pseudo;
    EXPECT_GE(Characters(pseudo) - 2, Characters(english) * 7 / 5) << pseudo;
  }
  EXPECT_EQ(Pseudo(""), "");
  EXPECT_EQ(TranslateTo(Language::kPseudo, "tray menu", "終了").substr(0, 5), "[Quit");
}

TEST(TranslateTest, SubstitutePutsArgumentsWhereTheTranslationHasThem) {
  struct Case {
    std::string_view text;
    std::string expected;
  } const cases[] = {
      {"%s に書き込めません", "/a/b.INI に書き込めません"},
      {"Cannot write to %s", "Cannot write to /a/b.INI"},
      {"100%% of %s", "100% of /a/b.INI"},
      {"%s and %s", "/a/b.INI and "},
      {"%d stays", "%d stays"},
  };
  for (const Case& c : cases) EXPECT_EQ(Substitute(c.text, {"/a/b.INI"}), c.expected);
}

struct Entry {
  std::string context, source, translation;
};

std::string Unescape(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size()) {
      const char next = text[++i];
      out += next == 'n' ? '\n' : next == 't' ? '\t' : next;
    } else {
      out += text[i];
    }
  }
  return out;
}

// The messages of a PO file or template, with their contexts (the header has none).
std::vector<Entry> ReadPo(const std::string& path) {
  std::ifstream in(path);
  EXPECT_TRUE(in) << path;
  std::vector<Entry> entries;
  Entry entry;
  std::string* field = nullptr;
  std::string line;
  auto flush = [&] {
    if (!entry.context.empty()) entries.push_back(entry);
    entry = {};
  };
  while (std::getline(in, line)) {
    auto quoted = [&line](std::size_t from) {
      return Unescape(line.substr(from + 1, line.size() - from - 2));
    };
    if (line.rfind("msgctxt ", 0) == 0) {
      flush();
      entry.context = quoted(8);
      field = &entry.context;
    } else if (line.rfind("msgid ", 0) == 0) {
      entry.source = quoted(6);
      field = &entry.source;
    } else if (line.rfind("msgstr ", 0) == 0) {
      entry.translation = quoted(7);
      field = &entry.translation;
    } else if (!line.empty() && line[0] == '"' && field != nullptr) {
      *field += quoted(0);
    }
  }
  flush();
  return entries;
}

bool HasJapanese(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    // The lead bytes of U+3000..U+9FFF (kana, CJK) and U+FF00..U+FFEF (full and half width).
    if (c == 0xE3 || (c >= 0xE4 && c <= 0xE9)) return true;
    if (c == 0xEF && i + 1 < text.size() &&
        (static_cast<unsigned char>(text[i + 1]) == 0xBC ||
         static_cast<unsigned char>(text[i + 1]) == 0xBD ||
         static_cast<unsigned char>(text[i + 1]) == 0xBE)) {
      return true;
    }
  }
  return false;
}

// Every message the source marks has an English text that is English, and the catalogue built
// into the program gives exactly that text for it.
TEST(TranslateTest, EveryMessageHasItsEnglishBuiltIn) {
  const std::vector<Entry> po = ReadPo(QUILLENTA_SOURCE_DIR "/po/en.po");
  const std::vector<Entry> pot = ReadPo(QUILLENTA_SOURCE_DIR "/po/quillenta.pot");
  ASSERT_FALSE(pot.empty());
  std::set<std::pair<std::string, std::string>> translated;
  for (const Entry& e : po) {
    translated.insert({e.context, e.source});
    EXPECT_FALSE(HasJapanese(e.translation)) << e.context << ": " << e.translation;
    EXPECT_EQ(TranslateTo(Language::kEnglish, e.context, e.source), e.translation) << e.source;
  }
  for (const Entry& e : pot) {
    EXPECT_TRUE(translated.count({e.context, e.source})) << e.context << ": " << e.source;
  }
}

// The Japanese interface is the one users have always had: any change to a Japanese text,
// or a text added or gone, shows here and must be made on purpose (tests/lang/japanese.txt).
TEST(TranslateTest, TheJapaneseTextsAreFrozen) {
  std::set<std::string> now;
  for (const Entry& e : ReadPo(QUILLENTA_SOURCE_DIR "/po/quillenta.pot")) {
    if (!HasJapanese(e.source)) continue;
    EXPECT_EQ(TranslateTo(Language::kJapanese, e.context, e.source), e.source);
    now.insert(e.context + '\t' + e.source);
  }
  // One message a line, its line ends written as \n.
  std::ifstream in(QUILLENTA_SOURCE_DIR "/tests/lang/japanese.txt");
  std::set<std::string> frozen;
  for (std::string line; std::getline(in, line);) frozen.insert(Unescape(line));
  for (const std::string& text : now) EXPECT_TRUE(frozen.count(text)) << "new or changed: " << text;
  for (const std::string& text : frozen) EXPECT_TRUE(now.count(text)) << "gone or changed: " << text;
}

}  // namespace
}  // namespace quillenta
