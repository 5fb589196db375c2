#include "platform/win32/locale_win32.h"

#include <windows.h>

#include "platform/japanese_era.h"
#include "platform/win32/wide.h"

namespace quillenta {

namespace {

std::string TwoDigits(int value) {
  value = ((value % 100) + 100) % 100;
  std::string digits(2, '0');
  digits[0] = static_cast<char>('0' + value / 10);
  digits[1] = static_cast<char>('0' + value % 10);
  return digits;
}

std::optional<std::wstring> PlatformDateFormat(const wchar_t* locale, DWORD flags,
                                               const SYSTEMTIME& date, const wchar_t* picture) {
  wchar_t text[80];
  const int length = ::GetDateFormatEx(locale, flags, &date, picture, text, 80, nullptr);
  if (length <= 0) return std::nullopt;
  return std::wstring(text, static_cast<std::size_t>(length - 1));
}

SYSTEMTIME Date(int year, int month, int day) {
  SYSTEMTIME date{};
  date.wYear = static_cast<WORD>(year);
  date.wMonth = static_cast<WORD>(month);
  date.wDay = static_cast<WORD>(day);
  return date;
}

std::wstring UserLocaleName() {
  wchar_t name[LOCALE_NAME_MAX_LENGTH];
  int length = ::GetUserDefaultLocaleName(name, LOCALE_NAME_MAX_LENGTH);
  if (length <= 1) return {};
  return std::wstring(name, static_cast<std::size_t>(length - 1));
}

}  // namespace

Win32Locale::Win32Locale() : Win32Locale(UserLocaleName()) {}

Win32Locale::Win32Locale(const std::wstring& locale_name, DateFormatter format)
    : locale_name_(locale_name), format_(format ? std::move(format) : &PlatformDateFormat) {
  Read(locale_name);
}

void Win32Locale::Read(const std::wstring& locale_name) {
  // An empty name is the user's locale to the API, though it cannot say whether that is
  // Japanese.
  const wchar_t* locale = locale_name.empty() ? LOCALE_NAME_USER_DEFAULT : locale_name.c_str();
  // The week starting Sunday 2024-01-07.
  auto day_name = [&](int weekday, const wchar_t* picture) {
    SYSTEMTIME day = Date(2024, 1, 7 + weekday);
    day.wDayOfWeek = static_cast<WORD>(weekday);
    std::optional<std::wstring> name = format_(locale, 0, day, picture);
    return name ? WideToUtf8(*name) : std::string();
  };
  static const char* const kShort[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* const kLong[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                      "Thursday", "Friday", "Saturday"};
  for (int day = 0; day < 7; ++day) {
    abbreviated_[day] = day_name(day, L"ddd");
    full_[day] = day_name(day, L"dddd");
    if (abbreviated_[day].empty() || full_[day].empty()) {
      abbreviated_[day] = kShort[day];
      full_[day] = kLong[day];
    }
  }

  wchar_t separator[8];
  int length = ::GetLocaleInfoEx(locale, LOCALE_STHOUSAND, separator, 8);
  std::wstring_view text(separator, length > 1 ? static_cast<std::size_t>(length - 1) : 0);
  separator_ = WideToUtf8(text.empty() ? std::wstring_view(L",") : text);

  japanese_ = IsJapaneseLocaleName(locale_name);
  // 2020 is the second year of Reiwa: a platform with the Japanese era calendar says "02",
  // one without it the Gregorian "20".
  platform_era_ =
      japanese_ && format_(locale, DATE_USE_ALT_CALENDAR, Date(2020, 5, 1), L"yy") == L"02";
}

bool Win32Locale::IsJapaneseLocaleName(std::wstring_view name) {
  // "ja", "ja-JP", "ja-JP_radstr": the language is what comes before the first '-' or '_'.
  return name.size() >= 2 && (name[0] == L'j' || name[0] == L'J') &&
         (name[1] == L'a' || name[1] == L'A') &&
         (name.size() == 2 || name[2] == L'-' || name[2] == L'_');
}

std::string Win32Locale::AbbreviatedDayName(int weekday) const {
  return abbreviated_[((weekday % 7) + 7) % 7];
}

std::string Win32Locale::FullDayName(int weekday) const { return full_[((weekday % 7) + 7) % 7]; }

std::optional<std::string> Win32Locale::AlternativeYear(const LocalDateTime& when) const {
  if (japanese_ && !platform_era_) {
    std::optional<int> year = JapaneseEraYear(when.year, when.month, when.day);
    if (!year) return std::nullopt;
    return TwoDigits(*year);
  }
  const wchar_t* locale = locale_name_.empty() ? LOCALE_NAME_USER_DEFAULT : locale_name_.c_str();
  std::optional<std::wstring> year =
      format_(locale, DATE_USE_ALT_CALENDAR, Date(when.year, when.month, when.day), L"yy");
  if (!year || year->empty()) return std::nullopt;
  return WideToUtf8(*year);
}

std::string Win32Locale::ThousandsSeparator() const { return separator_; }

}  // namespace quillenta
