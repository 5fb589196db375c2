#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "platform/win32/locale_win32.h"

namespace quillenta {
namespace {

LocalDateTime Day(int year, int month, int day) { return {year, month, day, 0, 12, 0, 0, 0}; }

TEST(Win32Locale, WeekdayNames) {
  struct Case {
    const wchar_t* locale;
    int weekday;
    const char* abbreviated;
    const char* full;
  };
  const Case cases[] = {
      {L"ja-JP", 0, "日", "日曜日"}, {L"ja-JP", 1, "月", "月曜日"}, {L"ja-JP", 2, "火", "火曜日"},
      {L"ja-JP", 3, "水", "水曜日"}, {L"ja-JP", 4, "木", "木曜日"}, {L"ja-JP", 5, "金", "金曜日"},
      {L"ja-JP", 6, "土", "土曜日"}, {L"en-US", 0, "Sun", "Sunday"}, {L"en-US", 2, "Tue", "Tuesday"},
      {L"en-US", 6, "Sat", "Saturday"}, {L"en-US", 7, "Sun", "Sunday"},  // taken modulo 7
      {L"en-US", -1, "Sat", "Saturday"},
  };
  for (const Case& c : cases) {
    Win32Locale locale(c.locale);
    EXPECT_EQ(locale.AbbreviatedDayName(c.weekday), c.abbreviated) << c.weekday;
    EXPECT_EQ(locale.FullDayName(c.weekday), c.full) << c.weekday;
  }
}

TEST(Win32Locale, ThousandsSeparator) {
  struct Case {
    const wchar_t* locale;
    const char* separator;
  };
  const Case cases[] = {{L"ja-JP", ","}, {L"en-US", ","}, {L"de-DE", "."}};
  for (const Case& c : cases) {
    EXPECT_EQ(Win32Locale(c.locale).ThousandsSeparator(), c.separator);
  }
}

TEST(Win32Locale, AlternativeYear) {
  struct Case {
    const wchar_t* locale;
    LocalDateTime when;
    std::optional<std::string> expected;
  };
  const Case cases[] = {
      {L"ja-JP", Day(2026, 12, 8), "08"},  // Reiwa 8
      {L"ja-JP", Day(2019, 4, 30), "31"},  // last day of Heisei
      {L"ja-JP", Day(2019, 5, 1), "01"},   // first day of Reiwa
      {L"ja-JP", Day(1989, 1, 7), "64"},   // last day of Showa
      {L"ja-JP", Day(1989, 1, 8), "01"},
      {L"ja-JP", Day(2005, 3, 1), "17"},
      {L"ja-JP", Day(1868, 9, 7), std::nullopt},  // before Meiji
      {L"en-US", Day(2005, 3, 1), "05"},
      {L"en-US", Day(2026, 12, 8), "26"},
      {L"en-US", Day(2000, 1, 1), "00"},
      {L"de-DE", Day(2019, 5, 1), "19"},
  };
  for (const Case& c : cases) {
    Win32Locale locale(c.locale);
    EXPECT_EQ(locale.AlternativeYear(c.when), c.expected)
        << c.when.year << "-" << c.when.month << "-" << c.when.day;
  }
}

// A locale as the platform would format it: the year of "yy" in its alternative calendar,
// `offset` years from the Gregorian one, or a failure.
struct FakeCalendar {
  int offset = 0;
  bool fails = false;
  mutable int alt_calendar_calls = 0;
  std::optional<std::wstring> operator()(const wchar_t*, DWORD flags, const SYSTEMTIME& date,
                                         const wchar_t* picture) const {
    if (std::wstring(picture) != L"yy") return std::nullopt;  // day names: not asked here
    if ((flags & DATE_USE_ALT_CALENDAR) != 0) ++alt_calendar_calls;
    if (fails) return std::nullopt;
    int year = date.wYear;
    if ((flags & DATE_USE_ALT_CALENDAR) != 0) year += offset;
    wchar_t text[3] = {static_cast<wchar_t>(L'0' + year % 100 / 10),
                       static_cast<wchar_t>(L'0' + year % 10), 0};
    return std::wstring(text);
  }
};

TEST(Win32Locale, AlternativeYearIsThePlatformsWhereTheLocaleHasOne) {
  struct Case {
    const char* name;
    const wchar_t* locale;
    FakeCalendar calendar;
    LocalDateTime when;
    std::optional<std::string> expected;
  };
  const Case cases[] = {
      {"Taiwan, year 115 of the Republic", L"zh-TW", {-1911}, Day(2026, 12, 8), "15"},
      {"Korea, Dangi 4359", L"ko-KR", {2333}, Day(2026, 12, 8), "59"},
      {"Thailand, Buddhist year 2569", L"th-TH", {543}, Day(2026, 12, 8), "69"},
      {"no alternative calendar", L"en-US", {0}, Day(2005, 3, 1), "05"},
      {"platform call fails", L"en-US", {0, true}, Day(2026, 12, 8), std::nullopt},
      // The platform's Japanese era where it has one: Reiwa 8.
      {"Japan with the era calendar", L"ja-JP", {-2018}, Day(2026, 12, 8), "08"},
      // Where the platform gives the Gregorian year (Wine) or nothing, the era table.
      {"Japan without it", L"ja-JP", {0}, Day(2026, 12, 8), "08"},
      {"Japan without it, Heisei", L"ja-JP", {0}, Day(2019, 4, 30), "31"},
      {"Japan, platform call fails", L"ja-JP", {0, true}, Day(1989, 1, 8), "01"},
  };
  for (const Case& c : cases) {
    FakeCalendar calendar = c.calendar;
    Win32Locale locale(c.locale, std::ref(calendar));
    const int asked_before = calendar.alt_calendar_calls;
    EXPECT_EQ(locale.AlternativeYear(c.when), c.expected) << c.name;
    const bool platform_asked = calendar.alt_calendar_calls > asked_before;
    const bool table = std::wstring(c.locale) == L"ja-JP" && c.calendar.offset == 0;
    EXPECT_EQ(platform_asked, !table) << c.name;
  }
}

TEST(Win32Locale, JapaneseLocaleNames) {
  struct Case {
    const wchar_t* name;
    bool japanese;
  };
  const Case cases[] = {{L"ja-JP", true},  {L"ja", true},     {L"JA-jp", true},
                        {L"ja-JP_radstr", true}, {L"jam-JM", false}, {L"en-US", false},
                        {L"j", false},     {L"", false}};
  for (const Case& c : cases) {
    EXPECT_EQ(Win32Locale::IsJapaneseLocaleName(c.name), c.japanese);
  }
}

TEST(Win32Locale, DefaultIsTheUserLocale) {
  wchar_t name[LOCALE_NAME_MAX_LENGTH];
  ASSERT_GT(::GetUserDefaultLocaleName(name, LOCALE_NAME_MAX_LENGTH), 1);
  Win32Locale user;
  Win32Locale named(name);
  for (int day = 0; day < 7; ++day) {
    EXPECT_EQ(user.AbbreviatedDayName(day), named.AbbreviatedDayName(day));
    EXPECT_EQ(user.FullDayName(day), named.FullDayName(day));
  }
  EXPECT_EQ(user.ThousandsSeparator(), named.ThousandsSeparator());
  // Decides the era year, which the names alone do not show.
  EXPECT_EQ(user.AlternativeYear(Day(2026, 12, 8)), named.AlternativeYear(Day(2026, 12, 8)));
}

}  // namespace
}  // namespace quillenta
