#include <gtest/gtest.h>

#include <limits>

#include "items/number_format.h"

namespace quillenta {
namespace {

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();

TEST(NumberFormat, DivRoundHalfEven) {
  struct Case {
    std::int64_t n, d, expected;
  };
  const Case cases[] = {
      {5, 2, 2},
      {7, 2, 4},
      {-5, 2, -2},
      {-7, 2, -4},
      {1, 3, 0},
      {2, 3, 1},
      {-2, 3, -1},
      {0, 7, 0},
      {kMax, 1, kMax},
      // Divisors past 2^62, where doubling the remainder used to overflow.
      {kMax - 1, kMax, 1},
      {kMax / 2, kMax, 0},
      {kMax / 2 + 1, kMax, 1},
      {kMin + 2, kMax, -1},
  };
  for (const Case& c : cases)
    EXPECT_EQ(DivRoundHalfEven(c.n, c.d), c.expected) << c.n << "/" << c.d;
}

TEST(NumberFormat, ShareTenThousandths) {
  struct Case {
    std::int64_t amount, total, expected;
  };
  const Case cases[] = {
      {1, 8, 125000},
      {1, 3, 333333},
      {2, 3, 666667},
      {8, 8, 1000000},
      {0, 8, 0},
      {5, 0, 0},
      {5, -1, 0},
      {-1, 8, -125000},
      {1, 2'000'000, 0},  // 0.5 ten-thousandths ties to the even 0
      {3, 2'000'000, 2},  // 1.5 ties to 2
      {kMax, kMax, 1000000},
      {kMax, 1, kMax},  // far beyond the total: held at the largest value
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ShareTenThousandths(c.amount, c.total), c.expected) << c.amount << "/" << c.total;
  }
}

TEST(NumberFormat, WholeNumberPatterns) {
  struct Case {
    std::int64_t q;
    bool grouped;
    const char* expected;
  };
  const Case cases[] = {
      {0, true, "0"},
      {4999, false, "0"},
      {5000, false, "1"},
      {125000, false, "13"},
      {-5000, false, "-1"},
      {-4999, false, "0"},
      {1234567890000, true, "123,456,789"},
      {1234567890000, false, "123456789"},
      {10000000, true, "1,000"},
      {9990000, true, "999"},
      {kMin, true, "-922,337,203,685,478"},
  };
  for (const Case& c : cases) {
    std::string out = "x";
    AppendWholeNumber(out, c.q, c.grouped, ",");
    EXPECT_EQ(out, std::string("x") + c.expected) << c.q;
  }
}

TEST(NumberFormat, WholeAmountMatchesTheFixedPointPathAndGoesFurther) {
  for (std::int64_t v : {std::int64_t{0}, std::int64_t{7}, std::int64_t{-1234},
                         std::int64_t{134217728}, std::int64_t{5} << 32}) {
    std::string whole, fixed;
    AppendWholeAmount(whole, v, true, ",");
    AppendWholeNumber(fixed, v * 10000, true, ",");
    EXPECT_EQ(whole, fixed) << v;
  }
  std::string out;
  AppendWholeAmount(out, kMax, true, ".");
  EXPECT_EQ(out, "9.223.372.036.854.775.807");
}

}  // namespace
}  // namespace quillenta
