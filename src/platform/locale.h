#pragma once
#include <optional>
#include <string>

#include "platform/clock.h"

namespace quillenta {

// Locale data of the user's LC_TIME / LC_NUMERIC locale, read once at start.
class Locale {
 public:
  virtual ~Locale() = default;
  // weekday: 0 = Sunday .. 6 = Saturday. UTF-8.
  virtual std::string AbbreviatedDayName(int weekday) const = 0;
  virtual std::string FullDayName(int weekday) const = 0;
  // The year of the locale's alternative calendar as two digits ("yy" picture): the Japanese
  // era year in Japanese locales, else the Gregorian year modulo 100, zero-padded.
  // nullopt where the platform cannot format it.
  virtual std::optional<std::string> AlternativeYear(const LocalDateTime& when) const = 0;
  // "," where the locale gives none.
  virtual std::string ThousandsSeparator() const = 0;
};

}  // namespace quillenta
