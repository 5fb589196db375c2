#include <gtest/gtest.h>

#include "fakes.h"
#include "item_world.h"
#include "items/formatters.h"
#include "title/compose.h"

namespace quillenta {
namespace {

struct DateTimeItems : ::testing::Test, testing::ItemWorld {
  DateTimeItems() { clock.now = {2026, 12, 8, 2, 4, 9, 6, 750}; }

  std::string Run(ItemFormatter item) {
    std::string line = "|";
    item(line, context);
    return line;
  }
  void EmptyAllTexts() {
    for (TextKey key : {TextKey::s52, TextKey::s53, TextKey::s54, TextKey::s55, TextKey::s56,
                        TextKey::s57, TextKey::s58, TextKey::s59, TextKey::s60, TextKey::s61,
                        TextKey::s62, TextKey::s63, TextKey::s64, TextKey::s65}) {
      settings.SetText(key, "");
    }
  }
};

TEST_F(DateTimeItems, DefaultLineForTuesdayMorning) {
  EXPECT_EQ(Compose({2, 3, 4, 5, 6, 7, 8}), "2026/12/8 (火) 4:09:06 ");
}

TEST_F(DateTimeItems, YearPatterns) {
  struct Case {
    int year;
    bool western;
    std::optional<std::string> era;
    const char* prefix;
    const char* expected;
  };
  const Case cases[] = {
      {2005, true, "17", "20", "|2005/"},
      {2005, true, "17", "", "|05/"},
      {2026, true, "08", "20", "|2026/"},
      {2100, true, "82", "", "|00/"},
      // The prefix stays in front of the era year; one leading zero goes.
      {2026, false, "08", "20", "|208/"},
      {2019, false, "01", "", "|1/"},
      {2030, false, "12", "", "|12/"},
      {2000, false, "00", "", "|0/"},
      {2026, false, std::nullopt, "20", "|20/"},
  };
  for (const Case& c : cases) {
    clock.now.year = c.year;
    settings.SetFlag(FlagKey::b52, c.western);
    settings.SetText(TextKey::s52, c.prefix);
    locale.alternative_year = c.era;
    EXPECT_EQ(Run(AppendYear), c.expected) << c.year << " western " << c.western;
  }
}

TEST_F(DateTimeItems, ClockFieldsWithAndWithoutTwoDigits) {
  EmptyAllTexts();
  struct Case {
    int hour, minute, second;
    bool two_digit_hour, two_digit_minute, two_digit_second;
    const char* expected;  // hour, minute, second run together
  };
  const Case cases[] = {
      {0, 5, 0, false, false, false, "050"},     {0, 5, 0, true, true, true, "000500"},
      {13, 0, 59, false, false, false, "13059"}, {4, 5, 7, false, false, false, "457"},
      {4, 9, 6, false, true, true, "40906"},     {23, 59, 59, true, true, true, "235959"},
  };
  for (const Case& c : cases) {
    clock.now.hour = c.hour;
    clock.now.minute = c.minute;
    clock.now.second = c.second;
    settings.SetFlag(FlagKey::b53, c.two_digit_hour);
    settings.SetFlag(FlagKey::b54, c.two_digit_minute);
    settings.SetFlag(FlagKey::b55, c.two_digit_second);
    std::string line;
    AppendHour(line, context);
    AppendMinute(line, context);
    AppendSecond(line, context);
    EXPECT_EQ(line, c.expected);
  }
}

TEST_F(DateTimeItems, AllTextsEmptyRunsValuesTogether) {
  EmptyAllTexts();
  std::string line;
  for (ItemFormatter item : {AppendYear, AppendMonth, AppendDay, AppendWeekday, AppendHour,
                             AppendMinute, AppendSecond}) {
    item(line, context);
  }
  EXPECT_EQ(line, "26128火40906");
}

TEST_F(DateTimeItems, MonthAndDayHaveNoLeadingZero) {
  clock.now = {2027, 1, 1, 5, 0, 0, 0, 0};
  EXPECT_EQ(Run(AppendMonth), "|1");
  EXPECT_EQ(Run(AppendDay), "|/1 ");
}

TEST_F(DateTimeItems, WeekdayShortAndLongFromTheLocale) {
  locale.abbreviated = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  locale.full = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
  struct Case {
    int weekday;
    bool full;
    const char* expected;
  };
  const Case cases[] = {
      {2, false, "|(Tue) "},
      {2, true, "|(Tuesday) "},
      {0, false, "|(Sun) "},
      {6, true, "|(Saturday) "},
  };
  for (const Case& c : cases) {
    clock.now.weekday = c.weekday;
    settings.SetFlag(FlagKey::b51, c.full);
    EXPECT_EQ(Run(AppendWeekday), c.expected);
  }
}

TEST_F(DateTimeItems, TextsKeepTheirBlanksAndEditsCountAtOnce) {
  settings.SetText(TextKey::s64, " : ");
  settings.SetText(TextKey::s65, "  秒  ");
  EXPECT_EQ(Run(AppendSecond), "| : 06  秒  ");
  settings.SetFlag(FlagKey::b55, false);
  EXPECT_EQ(Run(AppendSecond), "| : 6  秒  ");
}

// Each item takes its own reading of the clock.
class SteppingClock : public Clock {
 public:
  int readings = 0;
  LocalDateTime Now() override {
    LocalDateTime now{2026, 12, 8, 2, 4, 9, 0, 0};
    now.second = readings++;
    return now;
  }
  std::int64_t MonotonicMs() override { return 0; }
};

TEST_F(DateTimeItems, EachItemReadsTheClockItself) {
  SteppingClock stepping;
  ItemContext own{settings, stepping, locale,    saved_title, memory,
                  perf,     battery,  resources, connection,  links};
  EmptyAllTexts();
  std::string line;
  AppendSecond(line, own);
  AppendSecond(line, own);
  AppendSecond(line, own);
  EXPECT_EQ(line, "000102");
  EXPECT_EQ(stepping.readings, 3);
}

}  // namespace
}  // namespace quillenta
