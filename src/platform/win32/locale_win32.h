#pragma once
#include <windows.h>

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/locale.h"

namespace quillenta {

// The user's locale through GetDateFormatEx and GetLocaleInfoEx, read once at construction.
// The year of "e" is the platform's, in the locale's alternative calendar (the Japanese era,
// the Republic of China's calendar in Taiwan, the Korean and Thai calendars); Japanese locales
// fall back on the core's own era table where the platform gives no Japanese era (Wine, for
// one, ignores the Japanese calendar).
class Win32Locale : public Locale {
 public:
  // GetDateFormatEx(locale, flags, date, picture): the text, or nullopt when the call fails.
  using DateFormatter = std::function<std::optional<std::wstring>(
      const wchar_t* locale, DWORD flags, const SYSTEMTIME& date, const wchar_t* picture)>;

  // The user's default locale.
  Win32Locale();
  // A locale name such as L"ja-JP" or L"en-US"; format: GetDateFormatEx unless a test gives
  // a locale of its own.
  explicit Win32Locale(const std::wstring& locale_name, DateFormatter format = {});

  std::string AbbreviatedDayName(int weekday) const override;
  std::string FullDayName(int weekday) const override;
  std::optional<std::string> AlternativeYear(const LocalDateTime& when) const override;
  std::string ThousandsSeparator() const override;

  // Whether a locale name ("ja-JP", "ja", "en-US") names the Japanese language, whose
  // alternative year is the era year.
  static bool IsJapaneseLocaleName(std::wstring_view name);

 private:
  void Read(const std::wstring& locale_name);

  std::array<std::string, 7> abbreviated_;
  std::array<std::string, 7> full_;
  std::wstring locale_name_;
  DateFormatter format_;
  std::string separator_;
  bool japanese_ = false;
  // Japanese, and the platform gives the era year in its alternative calendar.
  bool platform_era_ = false;
};

}  // namespace quillenta
