#include <gtest/gtest.h>

#include "fakes.h"
#include "item_world.h"
#include "items/formatters.h"

namespace quillenta {
namespace {

constexpr std::int64_t kSecond = 1000;
constexpr std::int64_t kMinute = 60 * kSecond;
constexpr std::int64_t kHour = 60 * kMinute;

class ConnectionItemsTest : public ::testing::Test, public testing::ItemWorld {
 protected:
  std::string Time() {
    std::string line;
    AppendConnectHours(line, context);
    AppendConnectMinutes(line, context);
    AppendConnectSeconds(line, context);
    return line;
  }
};

TEST_F(ConnectionItemsTest, TimePatterns) {
  struct Case {
    std::int64_t ms;
    bool two_digit_minutes, two_digit_seconds, hide_hours, hide_minutes;
    const char* expected;
  } cases[] = {
      {kHour + 5 * kMinute + 7 * kSecond, true, true, false, false, "1ﾟ05'07'' "},
      {kHour + 5 * kMinute + 7 * kSecond, false, false, false, false, "1ﾟ5'7'' "},
      {26 * kHour + 3 * kMinute, true, true, false, false, "26ﾟ03'00'' "},
      {250 * kHour + 59 * kMinute + 999, true, true, false, false, "250ﾟ59'00'' "},
      {kHour - 1, true, true, true, false, "59'59'' "},
      {kHour, true, true, true, false, "1ﾟ00'00'' "},
      {40 * kSecond, true, true, false, true, "0ﾟ40'' "},
      {40 * kSecond, true, true, true, true, "40'' "},
      {0, true, true, false, false, "0ﾟ00'00'' "},
  };
  for (const Case& c : cases) {
    connection.shown_ms = c.ms;
    settings.SetFlag(FlagKey::b73, c.two_digit_minutes);
    settings.SetFlag(FlagKey::b75, c.two_digit_seconds);
    settings.SetFlag(FlagKey::b72, c.hide_hours);
    settings.SetFlag(FlagKey::b74, c.hide_minutes);
    EXPECT_EQ(Time(), c.expected) << c.ms;
  }
}

TEST_F(ConnectionItemsTest, TitlesAndUnitsWrapTheValue) {
  settings.SetText(TextKey::s83, "[");
  settings.SetText(TextKey::s84, "h");
  settings.SetText(TextKey::s85, "<");
  settings.SetText(TextKey::s86, "m");
  settings.SetText(TextKey::s87, "{");
  settings.SetText(TextKey::s88, "s");
  connection.shown_ms = 2 * kHour + 3 * kMinute + 4 * kSecond;
  EXPECT_EQ(Time(), "[2h<03m{04s");
}

TEST_F(ConnectionItemsTest, ShowOnlyWhileConnected) {
  connection.shown_ms = kHour;
  connection.connection_received = 12345;
  settings.SetFlag(FlagKey::b69, true);
  links.SetConnected(0);
  EXPECT_EQ(Time(), "");
  EXPECT_EQ(Format(AppendBytesReceived), "受:12,345byte ");  // b81 is its own switch
  EXPECT_EQ(links.count_calls, 3);                           // each time item asks for itself

  settings.SetFlag(FlagKey::b81, true);
  EXPECT_EQ(Format(AppendBytesReceived), "");
  EXPECT_EQ(Format(AppendBytesSent), "");

  links.SetConnected(1);
  EXPECT_EQ(Time(), "1ﾟ00'00'' ");
  EXPECT_EQ(Format(AppendBytesReceived), "受:12,345byte ");

  // The count is taken anew per item: a link ending mid-line hides the items after it.
  links.counts = {1, 0};
  EXPECT_EQ(Time(), "1ﾟ");

  settings.SetFlag(FlagKey::b69, false);
  links.SetConnected(0);
  EXPECT_EQ(Time(), "1ﾟ00'00'' ");
}

TEST_F(ConnectionItemsTest, AmountsPerUnit) {
  struct Case {
    std::int64_t bytes;
    int unit;
    bool grouped;
    const char* expected;
  } cases[] = {
      {1536, 2, true, "2"},
      {512, 2, true, "1"},
      {100000, 2, true, "98"},
      {1048576, 3, true, "1"},
      {1572864, 3, true, "2"},
      {2621440, 3, true, "3"},
      {1234567, 1, true, "1,234,567"},
      {1234567, 1, false, "1234567"},
      {0, 1, true, "0"},
      {5 * (INT64_C(1) << 30), 1, true, "5,368,709,120"},
  };
  for (const Case& c : cases) {
    connection.connection_received = c.bytes;
    settings.SetByteUnit(c.unit);  // also sets the unit texts, which are not under test here
    settings.SetText(TextKey::s95, "");
    settings.SetText(TextKey::s96, "");
    settings.SetFlag(FlagKey::b83, c.grouped);
    EXPECT_EQ(Format(AppendBytesReceived), c.expected) << c.bytes << " unit " << c.unit;
  }
}

TEST_F(ConnectionItemsTest, SeparatorComesFromLocale) {
  locale.separator = ".";
  connection.connection_sent = 1234567;
  EXPECT_EQ(Format(AppendBytesSent), "送:1.234.567byte ");
}

TEST_F(ConnectionItemsTest, CumulativeAndCombinedSwitches) {
  connection.connection_received = 10;
  connection.connection_sent = 3;
  connection.cumulative_received = 1000;
  connection.cumulative_sent = 300;
  struct Case {
    bool cumulative, combined_received, combined_sent;
    const char* received;
    const char* sent;
  } cases[] = {
      {false, false, false, "受:10byte ", "送:3byte "},
      {false, true, false, "受:13byte ", "送:3byte "},
      {false, false, true, "受:10byte ", "送:13byte "},
      {true, false, false, "受:1,000byte ", "送:300byte "},
      {true, true, true, "受:1,300byte ", "送:1,300byte "},
  };
  for (const Case& c : cases) {
    settings.SetFlag(FlagKey::b82, c.cumulative);
    settings.SetCombinedReceived(c.combined_received);
    settings.SetCombinedSent(c.combined_sent);
    EXPECT_EQ(Format(AppendBytesReceived), c.received);
    EXPECT_EQ(Format(AppendBytesSent), c.sent);
  }
}

}  // namespace
}  // namespace quillenta
