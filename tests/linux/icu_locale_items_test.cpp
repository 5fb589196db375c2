#include <gtest/gtest.h>

#include <cstdlib>

#include "fakes.h"
#include "items/formatters.h"
#include "platform/linux/locale_icu.h"
#include "title/compose.h"

namespace quillenta {
namespace {

LocalDateTime Day(int year, int month, int day) { return {year, month, day, 0, 12, 0, 0, 0}; }

TEST(IcuLocale, WeekdayNames) {
  struct Case {
    const char* locale;
    int weekday;
    const char* abbreviated;
    const char* full;
  };
  const Case cases[] = {
      {"ja_JP.UTF-8", 2, "火", "火曜日"},
      {"ja_JP.UTF-8", 0, "日", "日曜日"},
      {"ja_JP", 6, "土", "土曜日"},
      {"en_US.UTF-8", 2, "Tue", "Tuesday"},
      {"en_US.UTF-8", 0, "Sun", "Sunday"},
      {"C", 2, "Tue", "Tuesday"},
      {"POSIX", 3, "Wed", "Wednesday"},
      {"C.UTF-8", 4, "Thu", "Thursday"},
      {"de_DE.UTF-8@euro", 1, "Mo.", "Montag"},
  };
  for (const Case& c : cases) {
    IcuLocale locale(c.locale, c.locale);
    EXPECT_EQ(locale.AbbreviatedDayName(c.weekday), c.abbreviated) << c.locale;
    EXPECT_EQ(locale.FullDayName(c.weekday), c.full) << c.locale;
  }
}

TEST(IcuLocale, AlternativeYear) {
  struct Case {
    const char* locale;
    LocalDateTime when;
    const char* expected;
  };
  const Case cases[] = {
      {"ja_JP.UTF-8", Day(2026, 12, 8), "08"},  // Reiwa 8
      {"ja_JP.UTF-8", Day(2019, 4, 30), "31"},  // last day of Heisei
      {"ja_JP.UTF-8", Day(2019, 5, 1), "01"},   // first day of Reiwa
      {"ja_JP.UTF-8", Day(1989, 1, 7), "64"},   // last day of Showa
      {"ja_JP.UTF-8", Day(1989, 1, 8), "01"},
      {"ja_JP.UTF-8", Day(2005, 3, 1), "17"},
      {"en_US.UTF-8", Day(2005, 3, 1), "05"},
      {"en_US.UTF-8", Day(2026, 12, 8), "26"},
      {"C", Day(2000, 1, 1), "00"},
  };
  for (const Case& c : cases) {
    IcuLocale locale(c.locale, "C");
    EXPECT_EQ(locale.AlternativeYear(c.when), c.expected)
        << c.locale << " " << c.when.year << "-" << c.when.month << "-" << c.when.day;
  }
}

TEST(IcuLocale, ThousandsSeparatorOfTheNumericLocale) {
  struct Case {
    const char* numeric;
    const char* expected;
  };
  const Case cases[] = {
      {"ja_JP.UTF-8", ","}, {"en_US.UTF-8", ","},      {"C", ","},
      {"de_DE.UTF-8", "."}, {"fr_FR.UTF-8", "\u202f"},
  };
  for (const Case& c : cases) {
    IcuLocale locale("ja_JP.UTF-8", c.numeric);
    EXPECT_EQ(locale.ThousandsSeparator(), c.expected) << c.numeric;
  }
}

TEST(IcuLocale, LocaleNamesAndTheirSourceInTheEnvironment) {
  EXPECT_EQ(IcuLocaleId("ja_JP.UTF-8"), "ja_JP");
  EXPECT_EQ(IcuLocaleId("de_DE@euro"), "de_DE");
  EXPECT_EQ(IcuLocaleId("C.UTF-8"), "en_US");
  EXPECT_EQ(IcuLocaleId(""), "en_US");

  ::setenv("LANG", "fr_FR.UTF-8", 1);
  ::setenv("LC_TIME", "ja_JP.UTF-8", 1);
  ::setenv("LC_ALL", "", 1);
  EXPECT_EQ(PosixLocaleFor("LC_TIME"), "ja_JP.UTF-8");
  EXPECT_EQ(PosixLocaleFor("LC_NUMERIC"), "fr_FR.UTF-8");
  ::setenv("LC_ALL", "en_US.UTF-8", 1);
  EXPECT_EQ(PosixLocaleFor("LC_TIME"), "en_US.UTF-8");
  ::unsetenv("LC_ALL");
  ::unsetenv("LC_TIME");
  ::unsetenv("LANG");
  EXPECT_EQ(PosixLocaleFor("LC_TIME"), "C");

  ::setenv("LC_TIME", "ja_JP.UTF-8", 1);
  ::setenv("LC_NUMERIC", "de_DE.UTF-8", 1);
  IcuLocale from_environment;
  ::unsetenv("LC_TIME");
  ::unsetenv("LC_NUMERIC");
  EXPECT_EQ(from_environment.AbbreviatedDayName(2), "火");
  EXPECT_EQ(from_environment.ThousandsSeparator(), ".");
}

// The date and time items over the real locale data.
struct ItemsWithIcu : ::testing::Test {
  Settings settings;
  testing::FakeClock clock;
  std::string saved_title;
  MemoryStatus memory;
  PerfValues perf;
  testing::FakeBatteryProbe battery;
  std::array<std::string, 3> resources{"85", "90", "88"};
  ConnectionFigures connection;
  testing::FakeDialupLinks links;

  ItemsWithIcu() { clock.now = {2026, 12, 8, 2, 4, 9, 6, 0}; }

  std::string DateTimeLine(const Locale& locale) {
    ItemContext context{settings, clock,   locale,    saved_title, memory,
                        perf,     battery, resources, connection,  links};
    ItemSequence sequence;
    for (int n = 1; n <= ItemSequence::kSlots; ++n) sequence.SetSlot(n, 0);
    for (int code = 2; code <= 8; ++code) sequence.SetSlot(code - 1, code);
    std::string line;
    ComposeLine(sequence, context, line);
    return line;
  }
};

TEST_F(ItemsWithIcu, DefaultLinesInJapaneseAndEnglish) {
  IcuLocale japanese("ja_JP.UTF-8", "ja_JP.UTF-8");
  IcuLocale english("en_US.UTF-8", "en_US.UTF-8");
  EXPECT_EQ(DateTimeLine(japanese), "2026/12/8 (火) 4:09:06 ");
  EXPECT_EQ(DateTimeLine(english), "2026/12/8 (Tue) 4:09:06 ");

  settings.SetFlag(FlagKey::b51, true);
  settings.SetFlag(FlagKey::b52, false);
  EXPECT_EQ(DateTimeLine(japanese), "208/12/8 (火曜日) 4:09:06 ");
  EXPECT_EQ(DateTimeLine(english), "2026/12/8 (Tuesday) 4:09:06 ");
  clock.now.year = 2005;
  EXPECT_EQ(DateTimeLine(english), "205/12/8 (Tuesday) 4:09:06 ");
}

}  // namespace
}  // namespace quillenta
