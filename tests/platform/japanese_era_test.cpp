#include "platform/japanese_era.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace quillenta {
namespace {

TEST(JapaneseEra, YearAndNameAtTheEdges) {
  struct Case {
    int year, month, day;
    const char* era;  // nullptr: before Meiji
    int era_year;
  };
  const Case cases[] = {
      {1868, 9, 7, nullptr, 0},
      {1868, 1, 25, nullptr, 0},
      {1868, 9, 8, "明治", 1},
      {1872, 12, 31, "明治", 5},
      {1912, 7, 29, "明治", 45},
      {1912, 7, 30, "大正", 1},
      {1926, 12, 24, "大正", 15},
      {1926, 12, 25, "昭和", 1},
      {1926, 12, 31, "昭和", 1},
      {1927, 1, 1, "昭和", 2},
      {1989, 1, 7, "昭和", 64},
      {1989, 1, 8, "平成", 1},
      {2005, 3, 1, "平成", 17},
      {2019, 4, 30, "平成", 31},
      {2019, 5, 1, "令和", 1},
      {2019, 12, 31, "令和", 1},
      {2020, 1, 1, "令和", 2},
      {2026, 12, 8, "令和", 8},
      {2118, 1, 1, "令和", 100},
  };
  for (const Case& c : cases) {
    const std::string date =
        std::to_string(c.year) + "-" + std::to_string(c.month) + "-" + std::to_string(c.day);
    std::optional<JapaneseEraDate> era = JapaneseEraOf(c.year, c.month, c.day);
    std::optional<int> year = JapaneseEraYear(c.year, c.month, c.day);
    if (c.era == nullptr) {
      EXPECT_FALSE(era.has_value()) << date;
      EXPECT_FALSE(year.has_value()) << date;
      continue;
    }
    ASSERT_TRUE(era.has_value()) << date;
    EXPECT_EQ(era->era->name, c.era) << date;
    EXPECT_EQ(era->year, c.era_year) << date;
    EXPECT_EQ(year, c.era_year) << date;
  }
}

TEST(JapaneseEra, TableRunsOldestFirst) {
  auto eras = JapaneseEras();
  ASSERT_EQ(eras.size(), 5u);
  EXPECT_EQ(eras.front().name, "明治");
  EXPECT_EQ(eras.back().name, "令和");
  for (std::size_t i = 1; i < eras.size(); ++i) {
    // Each era's first day must lie after the previous one's, or the lookup would skip it.
    EXPECT_LT(std::make_tuple(eras[i - 1].year, eras[i - 1].month, eras[i - 1].day),
              std::make_tuple(eras[i].year, eras[i].month, eras[i].day))
        << eras[i].name;
  }
}

}  // namespace
}  // namespace quillenta
