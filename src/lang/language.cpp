#include "lang/language.h"

namespace quillenta {

namespace {

// The language part of a locale name or language tag: "ja" of "ja_JP.UTF-8@x" or "ja-JP".
std::string_view LanguagePart(std::string_view name) {
  return name.substr(0, name.find_first_of("_-.@"));
}

std::optional<Language> Supported(std::string_view name) {
  std::string_view language = LanguagePart(name);
  if (language == "ja") return Language::kJapanese;
  if (language == "en") return Language::kEnglish;
  return std::nullopt;
}

bool IsPlainLocale(std::string_view name) {
  return name.empty() || name == "C" || name == "POSIX" || LanguagePart(name) == "C";
}

}  // namespace

Language LanguageOfPreferences(const std::vector<std::string>& preferences) {
  for (const std::string& preference : preferences) {
    if (std::optional<Language> language = Supported(preference)) return *language;
  }
  return Language::kEnglish;
}

Language LanguageOfEnvironment(const std::function<const char*(const char*)>& getenv) {
  auto value = [&getenv](const char* name) -> std::string_view {
    const char* text = getenv(name);
    return text != nullptr ? std::string_view(text) : std::string_view();
  };
  std::string_view locale;
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    locale = value(name);
    if (!locale.empty()) break;
  }
  if (IsPlainLocale(locale)) return Language::kEnglish;
  std::vector<std::string> preferences;
  std::string_view list = value("LANGUAGE");
  while (!list.empty()) {
    const std::size_t colon = list.find(':');
    if (colon != 0) preferences.emplace_back(list.substr(0, colon));
    list = colon == std::string_view::npos ? std::string_view() : list.substr(colon + 1);
  }
  preferences.emplace_back(locale);
  return LanguageOfPreferences(preferences);
}

std::optional<Language> ParseLanguage(std::string_view name) {
  for (Language language : {Language::kJapanese, Language::kEnglish, Language::kPseudo}) {
    if (name == LanguageName(language)) return language;
  }
  return std::nullopt;
}

std::string_view LanguageName(Language language) {
  switch (language) {
    case Language::kJapanese:
      return "ja";
    case Language::kEnglish:
      return "en";
    case Language::kPseudo:
      return "pseudo";
  }
  return "en";
}

}  // namespace quillenta
