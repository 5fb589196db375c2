#pragma once
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillenta {

// The languages of the interface. Japanese is the source: its texts are the code's own.
// The pseudo-language lengthens and brackets every message, so that a layout shows whether
// it leaves room for translations to come; it is never offered to the user.
enum class Language { kJapanese, kEnglish, kPseudo };

// The language a system's preference names: its first entry that names a language with an
// interface (a "ja" or an "en", whatever the region, script or encoding after it), else
// English. `preferences` is the system's list, most wanted first: Windows' preferred UI
// languages ("ja-JP"), or locale names ("ja_JP.UTF-8", "C").
Language LanguageOfPreferences(const std::vector<std::string>& preferences);

// The POSIX way, as gettext chooses: the locale of messages is the first set of LC_ALL,
// LC_MESSAGES and LANG; in the C or POSIX locale (or none) the interface is English, and
// otherwise the colon list LANGUAGE, when set, comes before that locale.
Language LanguageOfEnvironment(const std::function<const char*(const char*)>& getenv);

// "ja", "en" or "pseudo", the values of --lang and of the settings key; none for any other.
std::optional<Language> ParseLanguage(std::string_view name);
std::string_view LanguageName(Language language);

}  // namespace quillenta
