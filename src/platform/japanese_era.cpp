#include "platform/japanese_era.h"

#include <array>
#include <tuple>

namespace quillenta {

namespace {

// ICU starts Meiji on 1868-09-08, the lunisolar date of its proclamation (Keiō 4, 9th month,
// 8th day) taken as a Gregorian date; the era was back-dated to 1868-01-25. ICU's day is kept
// so that the Linux and Windows programs agree. The later eras began on these very days.
constexpr std::array<JapaneseEra, 5> kEras{{
    {"明治", 1868, 9, 8},
    {"大正", 1912, 7, 30},
    {"昭和", 1926, 12, 25},
    {"平成", 1989, 1, 8},
    {"令和", 2019, 5, 1},
}};

}  // namespace

std::span<const JapaneseEra> JapaneseEras() { return kEras; }

std::optional<JapaneseEraDate> JapaneseEraOf(int year, int month, int day) {
  const auto date = std::make_tuple(year, month, day);
  for (auto era = kEras.rbegin(); era != kEras.rend(); ++era) {
    if (date >= std::make_tuple(era->year, era->month, era->day)) {
      return JapaneseEraDate{&*era, year - era->year + 1};
    }
  }
  return std::nullopt;
}

std::optional<int> JapaneseEraYear(int year, int month, int day) {
  std::optional<JapaneseEraDate> date = JapaneseEraOf(year, month, day);
  if (!date) return std::nullopt;
  return date->year;
}

}  // namespace quillenta
