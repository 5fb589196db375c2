#pragma once
#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "platform/locale.h"

namespace quillenta {

// The user's locale through GetDateFormatEx and GetLocaleInfoEx, read once at construction.
// The era year of Japanese locales comes from the core's own era table: Wine, for one,
// ignores the Japanese calendar.
class Win32Locale : public Locale {
 public:
  // The user's default locale.
  Win32Locale();
  // A locale name such as L"ja-JP" or L"en-US".
  explicit Win32Locale(const std::wstring& locale_name);

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
  std::string separator_;
  bool japanese_ = false;
};

}  // namespace quillenta
