#include "platform/linux/locale_icu.h"

#include <unicode/calendar.h>
#include <unicode/dcfmtsym.h>
#include <unicode/dtfmtsym.h>
#include <unicode/timezone.h>

#include <cstdint>
#include <cstdlib>

namespace quillenta {

namespace {

std::string ToUtf8(const icu::UnicodeString& text) {
  std::string out;
  text.toUTF8String(out);
  return out;
}

// Days from 1970-01-01 to a proleptic Gregorian date (Howard Hinnant's days_from_civil).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

std::string TwoDigits(int value) {
  value = ((value % 100) + 100) % 100;
  return {static_cast<char>('0' + value / 10), static_cast<char>('0' + value % 10)};
}

}  // namespace

std::string PosixLocaleFor(const char* category_variable) {
  for (const char* name : {"LC_ALL", category_variable, "LANG"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return value;
  }
  return "C";
}

std::string IcuLocaleId(const std::string& posix_name) {
  // language[_territory][.codeset][@modifier]; ICU wants neither codeset nor modifier.
  std::string id = posix_name.substr(0, posix_name.find_first_of(".@"));
  if (id.empty() || id == "C" || id == "POSIX") return "en_US";
  return id;
}

// A Japanese calendar in GMT: the date is already local, only its era year is wanted.
struct IcuLocale::EraCalendar {
  std::unique_ptr<icu::Calendar> calendar;
};

IcuLocale::IcuLocale() : IcuLocale(PosixLocaleFor("LC_TIME"), PosixLocaleFor("LC_NUMERIC")) {}

IcuLocale::IcuLocale(const std::string& time_locale, const std::string& numeric_locale) {
  icu::Locale time(IcuLocaleId(time_locale).c_str());
  UErrorCode status = U_ZERO_ERROR;
  icu::DateFormatSymbols symbols(time, status);
  std::int32_t count = 0;
  const icu::UnicodeString* abbreviated = nullptr;
  const icu::UnicodeString* full = nullptr;
  if (U_SUCCESS(status)) {
    abbreviated = symbols.getWeekdays(count, icu::DateFormatSymbols::FORMAT,
                                      icu::DateFormatSymbols::ABBREVIATED);
    full = symbols.getWeekdays(count, icu::DateFormatSymbols::FORMAT, icu::DateFormatSymbols::WIDE);
  }
  // ICU numbers the weekdays from 1 (UCAL_SUNDAY); slot 0 is unused.
  if (abbreviated != nullptr && full != nullptr && count >= 8) {
    for (int day = 0; day < 7; ++day) {
      abbreviated_[day] = ToUtf8(abbreviated[day + 1]);
      full_[day] = ToUtf8(full[day + 1]);
    }
  } else {
    static const char* const kShort[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const kLong[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                        "Thursday", "Friday", "Saturday"};
    for (int day = 0; day < 7; ++day) {
      abbreviated_[day] = kShort[day];
      full_[day] = kLong[day];
    }
  }

  status = U_ZERO_ERROR;
  icu::DecimalFormatSymbols numbers(icu::Locale(IcuLocaleId(numeric_locale).c_str()), status);
  if (U_SUCCESS(status)) {
    separator_ = ToUtf8(numbers.getSymbol(icu::DecimalFormatSymbols::kGroupingSeparatorSymbol));
  }
  if (separator_.empty()) separator_ = ",";

  if (std::string(time.getLanguage()) == "ja") {
    status = U_ZERO_ERROR;
    icu::Locale japanese(time.getLanguage(), time.getCountry(), nullptr, "calendar=japanese");
    std::unique_ptr<icu::Calendar> calendar(
        icu::Calendar::createInstance(icu::TimeZone::getGMT()->clone(), japanese, status));
    if (U_SUCCESS(status) && calendar) {
      era_ = std::make_unique<EraCalendar>();
      era_->calendar = std::move(calendar);
    }
  }
}

IcuLocale::~IcuLocale() = default;

std::string IcuLocale::AbbreviatedDayName(int weekday) const {
  return abbreviated_[((weekday % 7) + 7) % 7];
}

std::string IcuLocale::FullDayName(int weekday) const { return full_[((weekday % 7) + 7) % 7]; }

std::optional<std::string> IcuLocale::AlternativeYear(const LocalDateTime& when) const {
  if (!era_) return TwoDigits(when.year);
  constexpr double kMsPerDay = 86400000.0;
  // Noon keeps the date whole whatever the calendar does with the time of day.
  UDate noon = static_cast<double>(DaysFromCivil(when.year, static_cast<unsigned>(when.month),
                                                 static_cast<unsigned>(when.day))) *
                   kMsPerDay +
               kMsPerDay / 2;
  UErrorCode status = U_ZERO_ERROR;
  era_->calendar->setTime(noon, status);
  std::int32_t year = era_->calendar->get(UCAL_YEAR, status);
  if (U_FAILURE(status)) return std::nullopt;
  return TwoDigits(year);
}

std::string IcuLocale::ThousandsSeparator() const { return separator_; }

}  // namespace quillenta
