#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "lang/catalogue.h"
#include "lang/language.h"
#include "lang/translate.h"

namespace quillenta {
namespace {

// A catalogue laid out as msgfmt lays it out: header, the two tables, then the strings.
std::string MakeCatalogue(std::vector<std::pair<std::string, std::string>> messages,
                          bool big_endian = false, bool sort = true) {
  if (sort) std::sort(messages.begin(), messages.end());
  const std::uint32_t n = static_cast<std::uint32_t>(messages.size());
  std::string out;
  auto word = [&out, big_endian](std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
      const int shift = big_endian ? 24 - 8 * i : 8 * i;
      out.push_back(static_cast<char>(v >> shift));
    }
  };
  const std::uint32_t originals = 28, translations = originals + 8 * n;
  std::uint32_t strings = translations + 8 * n;
  word(0x950412de), word(0), word(n), word(originals), word(translations), word(0), word(0);
  std::string pool;
  for (int table = 0; table < 2; ++table) {
    for (const auto& [key, value] : messages) {
      const std::string& text = table == 0 ? key : value;
      word(static_cast<std::uint32_t>(text.size()));
      word(strings + static_cast<std::uint32_t>(pool.size()));
      pool += text;
      pool.push_back('\0');
    }
  }
  return out + pool;
}

std::string Key(const std::string& context, const std::string& source) {
  return context + '\x04' + source;
}

const std::vector<std::pair<std::string, std::string>> kMessages = {
    {"", "Content-Type: text/plain; charset=UTF-8\n"},
    {Key("tray menu", "終了"), "Quit"},
    {Key("settings window", "終了(&X)"), "E&xit"},
    {Key("a caption used twice", "設定"), "Settings"},
    {Key("another meaning", "設定"), "Setting"},
    {Key("untranslated", "受:"), ""},
};

TEST(CatalogueTest, FindsMessagesByContextAndSource) {
  for (bool big_endian : {false, true}) {
    for (bool sorted : {true, false}) {
      const std::string bytes = MakeCatalogue(kMessages, big_endian, sorted);
      Catalogue catalogue(bytes);
      SCOPED_TRACE(std::string(big_endian ? "big" : "little") + (sorted ? ", sorted" : ""));
      ASSERT_TRUE(catalogue.Valid());
      EXPECT_EQ(catalogue.Size(), kMessages.size());
      EXPECT_EQ(catalogue.Find("tray menu", "終了").value_or("-"), "Quit");
      EXPECT_EQ(catalogue.Find("settings window", "終了(&X)").value_or("-"), "E&xit");
      EXPECT_EQ(catalogue.Find("a caption used twice", "設定").value_or("-"), "Settings");
      EXPECT_EQ(catalogue.Find("another meaning", "設定").value_or("-"), "Setting");
      EXPECT_FALSE(catalogue.Find("untranslated", "受:"));
      EXPECT_FALSE(catalogue.Find("tray menu", "設定"));
      EXPECT_FALSE(catalogue.Find("", "終了"));
    }
  }
}

TEST(CatalogueTest, DamagedCatalogueHoldsNothing) {
  const std::string good = MakeCatalogue(kMessages);
  auto with_word = [&good](std::size_t at, std::uint32_t v) {
    std::string bytes = good;
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(v >> (8 * i));
    return bytes;
  };
  std::string unterminated = good;
  unterminated.back() = 'x';
  const struct {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"nothing", ""},
      {"a short header", good.substr(0, 20)},
      {"cut in the strings", good.substr(0, good.size() - 3)},
      {"a bad magic number", with_word(0, 0x12345678)},
      {"a later major revision", with_word(4, 0x00010000)},
      {"a count past the end", with_word(8, 0x10000000)},
      {"a string past the end", with_word(28 + 4, 0xffffff00)},
      {"a string without its zero", unterminated},
  };
  for (const auto& c : cases) {
    Catalogue catalogue(c.bytes);
    EXPECT_FALSE(catalogue.Valid()) << c.what;
    EXPECT_FALSE(catalogue.Find("tray menu", "終了")) << c.what;
  }
  Catalogue empty(MakeCatalogue({}));
  EXPECT_TRUE(empty.Valid());
  EXPECT_FALSE(empty.Find("tray menu", "終了"));
}

TEST(TranslateTest, ATextWithoutAContextIsItsOwnInEveryLanguage) {
  for (Language language : {Language::kJapanese, Language::kEnglish, Language::kPseudo}) {
    EXPECT_EQ(TranslateTo(language, "", "日本語"), "日本語");
  }
  EXPECT_EQ(TranslateTo(Language::kPseudo, "tray menu", "終了"), Pseudo("Quit"));
}

TEST(LanguageTest, FromTheEnvironmentAndPreferences) {
  const struct {
    std::map<std::string, std::string> env;
    Language want;
  } cases[] = {
      {{}, Language::kEnglish},
      {{{"LANG", "POSIX"}, {"LANGUAGE", "ja"}}, Language::kEnglish},
      {{{"LANG", "C.UTF-8"}, {"LANGUAGE", "ja"}}, Language::kEnglish},
      {{{"LANG", "ja_JP.eucJP"}}, Language::kJapanese},
      {{{"LANG", "de_DE.UTF-8"}}, Language::kEnglish},
      {{{"LANG", "ja_JP.UTF-8"}, {"LC_ALL", "en_GB.UTF-8"}}, Language::kEnglish},
      {{{"LANG", "en_US.UTF-8"}, {"LC_MESSAGES", "ja_JP.UTF-8"}}, Language::kJapanese},
      {{{"LANG", "ja_JP.UTF-8"}, {"LC_ALL", ""}}, Language::kJapanese},
      {{{"LANG", "fr_FR.UTF-8"}, {"LANGUAGE", "fr::ja_JP"}}, Language::kJapanese},
      {{{"LANG", "ja_JP.UTF-8"}, {"LANGUAGE", "en_GB:ja"}}, Language::kEnglish},
  };
  for (const auto& c : cases) {
    auto getenv = [&c](const char* name) -> const char* {
      auto it = c.env.find(name);
      return it == c.env.end() ? nullptr : it->second.c_str();
    };
    std::string described;
    for (const auto& [name, value] : c.env) described += name + "=" + value + " ";
    EXPECT_EQ(LanguageOfEnvironment(getenv), c.want) << described;
  }
  EXPECT_EQ(LanguageOfPreferences({"fr-FR", "ja-JP"}), Language::kJapanese);
  EXPECT_EQ(LanguageOfPreferences({"en-GB", "ja-JP"}), Language::kEnglish);
  EXPECT_EQ(LanguageOfPreferences({"jav-ID"}), Language::kEnglish);
  for (Language language : {Language::kJapanese, Language::kEnglish, Language::kPseudo}) {
    EXPECT_EQ(ParseLanguage(LanguageName(language)), language);
  }
  for (const char* bad : {"", "JA", "ja-JP", "auto"}) EXPECT_FALSE(ParseLanguage(bad));
}

}  // namespace
}  // namespace quillenta
