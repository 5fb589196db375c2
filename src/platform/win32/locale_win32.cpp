#include "platform/win32/locale_win32.h"

#include <windows.h>

#include "items/japanese_era.h"
#include "text/wide.h"

namespace quillenta {

namespace {

std::string TwoDigits(int value) {
  value = ((value % 100) + 100) % 100;
  std::string digits(2, '0');
  digits[0] = static_cast<char>('0' + value / 10);
  digits[1] = static_cast<char>('0' + value % 10);
  return digits;
}

// The weekday name of `picture` ("ddd" or "dddd") for the week starting Sunday 2024-01-07.
std::string DayName(const wchar_t* locale, int weekday, const wchar_t* picture) {
  SYSTEMTIME day{};
  day.wYear = 2024;
  day.wMonth = 1;
  day.wDay = static_cast<WORD>(7 + weekday);
  day.wDayOfWeek = static_cast<WORD>(weekday);
  wchar_t text[80];
  int length = ::GetDateFormatEx(locale, 0, &day, picture, text, 80, nullptr);
  if (length <= 1) return {};
  return WideToUtf8(std::wstring_view(text, static_cast<std::size_t>(length - 1)));
}

std::wstring UserLocaleName() {
  wchar_t name[LOCALE_NAME_MAX_LENGTH];
  int length = ::GetUserDefaultLocaleName(name, LOCALE_NAME_MAX_LENGTH);
  if (length <= 1) return {};
  return std::wstring(name, static_cast<std::size_t>(length - 1));
}

}  // namespace

Win32Locale::Win32Locale() { Read(UserLocaleName()); }

Win32Locale::Win32Locale(const std::wstring& locale_name) { Read(locale_name); }

void Win32Locale::Read(const std::wstring& locale_name) {
  // An empty name is the user's locale to the API, though it cannot say whether that is
  // Japanese.
  const wchar_t* locale = locale_name.empty() ? LOCALE_NAME_USER_DEFAULT : locale_name.c_str();
  static const char* const kShort[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* const kLong[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                      "Thursday", "Friday", "Saturday"};
  for (int day = 0; day < 7; ++day) {
    abbreviated_[day] = DayName(locale, day, L"ddd");
    full_[day] = DayName(locale, day, L"dddd");
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
  if (!japanese_) return TwoDigits(when.year);
  std::optional<int> year = JapaneseEraYear(when.year, when.month, when.day);
  if (!year) return std::nullopt;
  return TwoDigits(*year);
}

std::string Win32Locale::ThousandsSeparator() const { return separator_; }

}  // namespace quillenta
