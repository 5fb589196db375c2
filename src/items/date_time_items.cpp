#include <optional>
#include <string_view>

#include "items/formatters.h"
#include "items/number_format.h"

namespace quillenta {

namespace {

// Every date and time item: its prefix, the value of the current time, its suffix. Each
// item reads the clock itself, so the items of one line may straddle a second.
template <typename Value>
void AppendDateTimeItem(std::string& line, const ItemContext& context, TextKey prefix,
                        TextKey suffix, Value value) {
  line.append(context.settings.Text(prefix));
  value(context.clock.Now());
  line.append(context.settings.Text(suffix));
}

int WeekdayIndex(int weekday) { return ((weekday % 7) + 7) % 7; }

}  // namespace

void AppendYear(std::string& line, const ItemContext& context) {
  AppendDateTimeItem(line, context, TextKey::s52, TextKey::s53, [&](const LocalDateTime& now) {
    if (context.settings.Flag(FlagKey::b52)) {
      AppendClockField(line, ((now.year % 100) + 100) % 100, true);
      return;
    }
    std::optional<std::string> era_year = context.locale.AlternativeYear(now);
    if (!era_year) return;
    std::string_view digits = *era_year;
    if (!digits.empty() && digits.front() == '0') digits.remove_prefix(1);
    line.append(digits);
  });
}

void AppendMonth(std::string& line, const ItemContext& context) {
  AppendDateTimeItem(line, context, TextKey::s54, TextKey::s55,
                     [&](const LocalDateTime& now) { AppendClockField(line, now.month, false); });
}

void AppendDay(std::string& line, const ItemContext& context) {
  AppendDateTimeItem(line, context, TextKey::s56, TextKey::s57,
                     [&](const LocalDateTime& now) { AppendClockField(line, now.day, false); });
}

void AppendWeekday(std::string& line, const ItemContext& context) {
  AppendDateTimeItem(line, context, TextKey::s58, TextKey::s59, [&](const LocalDateTime& now) {
    int weekday = WeekdayIndex(now.weekday);
    line.append(context.settings.Flag(FlagKey::b51) ? context.locale.FullDayName(weekday)
                                                    : context.locale.AbbreviatedDayName(weekday));
  });
}

void AppendHour(std::string& line, const ItemContext& context) {
  AppendDateTimeItem(line, context, TextKey::s60, TextKey::s61, [&](const LocalDateTime& now) {
    AppendClockField(line, now.hour, context.settings.Flag(FlagKey::b53));
  });
}

void AppendMinute(std::string& line, const ItemContext& context) {
  AppendDateTimeItem(line, context, TextKey::s62, TextKey::s63, [&](const LocalDateTime& now) {
    AppendClockField(line, now.minute, context.settings.Flag(FlagKey::b54));
  });
}

void AppendSecond(std::string& line, const ItemContext& context) {
  AppendDateTimeItem(line, context, TextKey::s64, TextKey::s65, [&](const LocalDateTime& now) {
    AppendClockField(line, now.second, context.settings.Flag(FlagKey::b55));
  });
}

}  // namespace quillenta
