#pragma once
// The eras of the Japanese calendar from Meiji on, so that both programs give the same era
// year whatever their platform knows: Wine, for one, has no Japanese calendar.
#include <optional>
#include <span>
#include <string_view>

namespace quillenta {

struct JapaneseEra {
  std::string_view name;  // UTF-8, such as "令和"
  // The era's first day in the Gregorian calendar.
  int year;
  int month;
  int day;
};

// Oldest first. The first days are ICU's, so that the Linux program, which asks ICU, and the
// Windows program agree on every day.
std::span<const JapaneseEra> JapaneseEras();

struct JapaneseEraDate {
  const JapaneseEra* era;
  int year;  // 1 in the era's first year
};

// The era and era year of a Gregorian date; nullopt before Meiji.
std::optional<JapaneseEraDate> JapaneseEraOf(int year, int month, int day);
std::optional<int> JapaneseEraYear(int year, int month, int day);

}  // namespace quillenta
