#pragma once
#include <array>
#include <memory>
#include <optional>
#include <string>

#include "platform/locale.h"

namespace quillenta {

// The locale a POSIX program uses for a category: LC_ALL, else the category's variable
// (such as "LC_TIME"), else LANG, else "C"; the first that is set and not empty.
std::string PosixLocaleFor(const char* category_variable);

// ICU's name of a POSIX locale: "ja_JP.UTF-8" gives "ja_JP"; "C" and "POSIX" give "en_US".
std::string IcuLocaleId(const std::string& posix_name);

// Locale data from ICU, read once at construction.
class IcuLocale : public Locale {
 public:
  // The user's locales, taken from the environment the POSIX way.
  IcuLocale();
  // POSIX names, such as "ja_JP.UTF-8", for the names and year and for the separator.
  IcuLocale(const std::string& time_locale, const std::string& numeric_locale);
  ~IcuLocale() override;

  std::string AbbreviatedDayName(int weekday) const override;
  std::string FullDayName(int weekday) const override;
  std::optional<std::string> AlternativeYear(const LocalDateTime& when) const override;
  std::string ThousandsSeparator() const override;

 private:
  struct EraCalendar;

  std::array<std::string, 7> abbreviated_;
  std::array<std::string, 7> full_;
  std::string separator_;
  // Only for Japanese locales; other locales have the Gregorian year as their alternative.
  std::unique_ptr<EraCalendar> era_;
};

}  // namespace quillenta
