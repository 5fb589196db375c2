#include "settings/profile_document.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <ostream>
#include <string>

#include "settings/profile_values.h"
#include "settings/settings_file.h"
#include "text/cp932.h"
#include "text/utf8.h"

namespace quillenta {
namespace {

using namespace std::string_literals;

struct ReadCase {
  const char* name;
  std::string text;
  const char* key;
  std::string default_value;
  std::string expected;
};

// A failure names the case, not the bytes of its struct.
void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.name; }

class ProfileRead : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ProfileRead, FollowsTheWin32Rules) {
  const ReadCase& c = GetParam();
  ProfileDocument document(c.text);
  EXPECT_EQ(document.ReadString("Quillenta", c.key, c.default_value), c.expected);
}

const std::string k1500(1500, 'a');
const std::string k1023(1023, 'a');
const std::string k1022(1022, 'a');
const std::string k1020(1020, 'a');

INSTANTIATE_TEST_SUITE_P(
    Cases, ProfileRead,
    ::testing::Values(
        ReadCase{"plain", "[Quillenta]\ni01=5\n", "i01", "d", "5"},
        ReadCase{"cr_only", "[Quillenta]\ri01=5\ri02=6", "i02", "d", "6"},
        ReadCase{"terminator_runs", "[Quillenta]\r\r\n\ni01=5\n\r\r\ni02=6\r\n", "i02", "d", "6"},
        ReadCase{"line_trimmed", "  [Quillenta]  \n\t i01 = 5 \t\n", "i01", "d", "5"},
        ReadCase{"section_name_trimmed", "[ Quillenta \t] trailing\ni01=5", "i01", "d", "5"},
        ReadCase{"section_to_last_bracket", "[Quil]lenta]\ni01=5\n", "i01", "d", "d"},
        ReadCase{"inner_blanks_kept", "[Quillenta]\ni01 =  a  b  \n", "i01", "d", "a  b"},
        ReadCase{"split_at_first_equals", "[Quillenta]\ni01=b=c\n", "i01", "d", "b=c"},
        ReadCase{"empty_value", "[Quillenta]\ni01=\n", "i01", "d", ""},
        ReadCase{"no_equals_reads_default", "[Quillenta]\ni01\n", "i01", "d", "d"},
        ReadCase{"no_equals_shadows_later_key", "[Quillenta]\ni01\ni01=5\n", "i01", "d", "d"},
        ReadCase{"comment", "[Quillenta]\n;i01=5\n", "i01", "d", "d"},
        ReadCase{"indented_comment", "[Quillenta]\n \t;i01=5\n", "i01", "d", "d"},
        ReadCase{"semicolon_inside_value", "[Quillenta]\ni01=a;b\n", "i01", "d", "a;b"},
        ReadCase{"case_of_names", "[qUILLENTA]\nI01=5\n", "i01", "d", "5"},
        ReadCase{"first_section_wins", "[Quillenta]\na=1\n[quillenta]\ni01=5\n", "i01", "d", "d"},
        ReadCase{"first_key_wins", "[Quillenta]\ni01=1\nI01=2\n", "i01", "d", "1"},
        ReadCase{"other_section", "[Other]\ni01=5\n[Quillenta]\ni02=6\n", "i01", "d", "d"},
        ReadCase{"before_any_section", "i01=5\n[Quillenta]\n", "i01", "d", "d"},
        ReadCase{"missing_file_contents", "", "i01", "d", "d"},
        ReadCase{"double_quotes", "[Quillenta]\ns53=\") \"\n", "s53", "d", ") "},
        ReadCase{"single_quotes", "[Quillenta]\ns53='x'\n", "s53", "d", "x"},
        ReadCase{"only_outer_pair", "[Quillenta]\ns53=\"'x'\"\n", "s53", "d", "'x'"},
        ReadCase{"quoted_quotes", "[Quillenta]\ns53=\"\"x\"\"\n", "s53", "d", "\"x\""},
        ReadCase{"mixed_quotes_kept", "[Quillenta]\ns53=\"x'\n", "s53", "d", "\"x'"},
        ReadCase{"lone_quote_kept", "[Quillenta]\ns53=\"\n", "s53", "d", "\""},
        ReadCase{"two_quotes_empty", "[Quillenta]\ns53=\"\"\n", "s53", "d", ""},
        ReadCase{"unquoted_slash", "[Quillenta]\ns53=/\n", "s53", "d", "/"},
        ReadCase{"default_unquoted", "", "s52", "\"20\"", "20"},
        ReadCase{"default_blank_survives", "", "s51", "\" \"", " "},
        ReadCase{"default_lone_quote", "", "s51", "'", "'"},
        ReadCase{"cut_at_1023", "[Quillenta]\ns50=" + k1500 + "\n", "s50", "", k1023},
        ReadCase{"cut_after_quotes", "[Quillenta]\ns50=\"" + k1023 + "\"\n", "s50", "", k1023},
        ReadCase{"cut_before_character", "[Quillenta]\ns50=" + k1022 + "あ\n", "s50", "", k1022},
        ReadCase{"character_ending_at_limit", "[Quillenta]\ns50=" + k1020 + "あい\n", "s50", "",
                 k1020 + "あ"},
        ReadCase{"nul_ends_the_text", "[Quillenta]\ns50=a\0b\n"s, "s50", "", "a"},
        ReadCase{"nul_inside_quotes", "[Quillenta]\ns66=\"M\0X:\"\n"s, "s66", "", "M"},
        ReadCase{"nul_ends_a_number", "[Quillenta]\ni01=12\0x\n"s, "i01", "d", "12"},
        ReadCase{"nul_line_before", "\0\0\n[Quillenta]\ns50=x\n"s, "s50", "", "x"},
        ReadCase{"lone_bracket_is_no_section", "[Quillenta]\n[\ni01=5\n", "i01", "d", "5"},
        ReadCase{"unclosed_bracket_key", "[Quillenta]\n[i01=5\n", "[i01", "d", "5"},
        ReadCase{"byte_order_mark", "\xEF\xBB\xBF[Quillenta]\r\ni01=5\r\n", "i01", "d", "5"},
        ReadCase{"garbage", "\xFF\xFE[\x80\n=\n==\n[Quillenta]\n\x01=\x02\ni01=5", "i01", "d",
                 "5"}),
    [](const ::testing::TestParamInfo<ReadCase>& info) { return info.param.name; });

TEST(ProfileRead, MegabyteLineIsData) {
  std::string big(1 << 20, 'q');
  ProfileDocument document("[Quillenta]\ns50=" + big + "\ns51=after\n" + big);
  EXPECT_EQ(document.ReadString("Quillenta", "s50", "").size(), 1023u);
  EXPECT_EQ(document.ReadString("Quillenta", "s51", ""), "after");
}

std::string Repeat(std::string_view unit, int times) {
  std::string text;
  for (int i = 0; i < times; ++i) text += unit;
  return text;
}

// A file from the Windows program: its limit is 1023 bytes of code page 932, where a kanji
// takes two bytes and a half-width katakana one, never a cut inside a character.
TEST(ProfileRead, CodePage932FileCutsAtItsOwnBytes) {
  const struct {
    const char* name;
    std::string value;  // as converted to UTF-8
    std::string read;
  } cases[] = {
      {"1000 bytes whole", Repeat("漢", 500), Repeat("漢", 500)},
      {"1200 bytes cut at 1022", Repeat("漢", 600), Repeat("漢", 511)},
      {"one ASCII makes 1023", "a" + Repeat("漢", 600), "a" + Repeat("漢", 511)},
      {"half-width katakana count one", Repeat("ｶ", 1100), Repeat("ｶ", 1023)},
      {"mixed at the edge", Repeat("ｶ", 1021) + "漢ｶ", Repeat("ｶ", 1021) + "漢"},
      {"a replaced byte counts one", Repeat("\xEF\xBF\xBD", 1024), Repeat("\xEF\xBF\xBD", 1023)},
  };
  for (const auto& c : cases) {
    const std::string file = "[Quillenta]\r\ns50=\"" + c.value + "\"\r\n";
    EXPECT_EQ(ProfileDocument(file, true).ReadString("Quillenta", "s50", ""), c.read) << c.name;
  }
  // The same text in a UTF-8 file keeps the UTF-8 limit: 341 kanji are 1023 bytes.
  EXPECT_EQ(ProfileDocument("[Quillenta]\ns50=" + Repeat("漢", 500) + "\n")
                .ReadString("Quillenta", "s50", ""),
            Repeat("漢", 341));
}

TEST(ProfileRead, UntouchedDocumentKeepsEveryByte) {
  const std::string texts[] = {
      "",
      "\xEF\xBB\xBF[Quillenta]\r\n\r\ni01=1\r\n",
      "no newline at end",
      "\r\r\n\n[x]\n\0[\n; c\n  \t\n"s,
      "\xFF\x80garbage\n[Quillenta]\na",
  };
  for (const std::string& text : texts) EXPECT_EQ(ProfileDocument(text).Text(), text);
}

struct WriteCase {
  const char* name;
  std::string before;
  const char* key;
  std::string value;
  std::string after;
};

void PrintTo(const WriteCase& c, std::ostream* os) { *os << c.name; }

class ProfileWrite : public ::testing::TestWithParam<WriteCase> {};

TEST_P(ProfileWrite, EditsOnlyTheKeysLine) {
  const WriteCase& c = GetParam();
  ProfileDocument document(c.before);
  document.Write("Quillenta", c.key, c.value);
  EXPECT_EQ(document.Text(), c.after);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProfileWrite,
    ::testing::Values(
        WriteCase{"empty_file", "", "i01", "9", "[Quillenta]\ni01=9\n"},
        WriteCase{"replace_in_place", "[Quillenta]\ni01=1\ni02=2\n", "i01", "9",
                  "[Quillenta]\ni01=9\ni02=2\n"},
        WriteCase{"replace_other_case", "[quillenta]\nI01 = 1\n", "i01", "9",
                  "[quillenta]\ni01=9\n"},
        WriteCase{"replace_key_without_value", "[Quillenta]\ni01\n", "i01", "9",
                  "[Quillenta]\ni01=9\n"},
        WriteCase{"replace_keeps_terminator_run", "[Quillenta]\r\ni01=1\r\n\r\n[O]\r\n", "i01", "9",
                  "[Quillenta]\r\ni01=9\r\n\r\n[O]\r\n"},
        WriteCase{"append_at_end_of_section", "[Quillenta]\ni01=1\n\n[Other]\nx=1\n", "i02", "2",
                  "[Quillenta]\ni01=1\ni02=2\n\n[Other]\nx=1\n"},
        WriteCase{"append_before_trailing_comment", "[Quillenta]\ni01=1\n; note\n", "i02", "2",
                  "[Quillenta]\ni01=1\ni02=2\n; note\n"},
        WriteCase{"append_after_header", "[Quillenta]\n", "i01", "9", "[Quillenta]\ni01=9\n"},
        WriteCase{"append_unterminated", "[Quillenta]\ni01=1", "i02", "2",
                  "[Quillenta]\ni01=1\ni02=2"},
        WriteCase{"append_crlf", "[Quillenta]\r\ni01=1\r\n", "i02", "2",
                  "[Quillenta]\r\ni01=1\r\ni02=2\r\n"},
        WriteCase{"missing_section_at_end", "; top\n[Other]\nx=1\n", "i01", "9",
                  "; top\n[Other]\nx=1\n\n[Quillenta]\ni01=9\n"},
        WriteCase{"missing_section_unterminated", "[Other]\nx=1", "i01", "9",
                  "[Other]\nx=1\n\n[Quillenta]\ni01=9\n"},
        WriteCase{"missing_section_crlf", "[Other]\r\nx=1\r\n", "i01", "9",
                  "[Other]\r\nx=1\r\n\r\n[Quillenta]\r\ni01=9\r\n"},
        WriteCase{"first_section_written", "[Quillenta]\na=1\n[Quillenta]\ni01=2\n", "i01", "9",
                  "[Quillenta]\na=1\ni01=9\n[Quillenta]\ni01=2\n"},
        WriteCase{"unknown_keys_and_comments_kept",
                  ";c\n[Quillenta]\n  zz = keep \n;i01=0\ni01=1\n\n[O]\ni01=7\n", "i01", "9",
                  ";c\n[Quillenta]\n  zz = keep \n;i01=0\ni01=9\n\n[O]\ni01=7\n"},
        WriteCase{"byte_order_mark_kept", "\xEF\xBB\xBF[Quillenta]\ni01=1\n", "i01", "9",
                  "\xEF\xBB\xBF[Quillenta]\ni01=9\n"},
        WriteCase{"line_breaks_in_value", "", "s00", "a\r\nb\nc", "[Quillenta]\ns00=a  b c\n"},
        WriteCase{"invalid_utf8_in_value", "", "s00", "a\xFF", "[Quillenta]\ns00=a\xEF\xBF\xBD\n"}),
    [](const ::testing::TestParamInfo<WriteCase>& info) { return info.param.name; });

TEST(ProfileWrite, WrittenValueReadsBack) {
  ProfileDocument document("[Quillenta]\n[\ns50\n");
  document.Write("Quillenta", "s50", "\" a \"");
  document.Write("Quillenta", "s51", "\"\"");
  ProfileDocument reread(document.Text());
  EXPECT_EQ(reread.ReadString("Quillenta", "s50", "d"), " a ");
  EXPECT_EQ(reread.ReadString("Quillenta", "s51", "d"), "");
}

struct NumberCase {
  const char* text;
  std::optional<std::int64_t> as32;
  std::optional<std::int64_t> as64;
};

TEST(ProfileNumber, WholeTextInRange) {
  constexpr auto kMin32 = std::numeric_limits<std::int32_t>::min();
  constexpr auto kMax32 = std::numeric_limits<std::int32_t>::max();
  constexpr auto kMin64 = std::numeric_limits<std::int64_t>::min();
  constexpr auto kMax64 = std::numeric_limits<std::int64_t>::max();
  const NumberCase cases[] = {
      {"0", 0, 0},
      {"17", 17, 17},
      {"-5", -5, -5},
      {"+7", 7, 7},
      {"-0", 0, 0},
      {"00012", 12, 12},
      {"2147483647", kMax32, kMax32},
      {"2147483648", std::nullopt, 2147483648},
      {"-2147483648", kMin32, kMin32},
      {"-2147483649", std::nullopt, -2147483649},
      {"5000000000", std::nullopt, 5000000000},
      {"9223372036854775807", std::nullopt, kMax64},
      {"9223372036854775808", std::nullopt, std::nullopt},
      {"-9223372036854775808", std::nullopt, kMin64},
      {"-9223372036854775809", std::nullopt, std::nullopt},
      {"99999999999999999999999", std::nullopt, std::nullopt},
      {"0x1F", 31, 31},
      {"0X1f", 31, 31},
      {"0x7FFFFFFF", kMax32, kMax32},
      {"0x80000000", std::nullopt, 0x80000000},
      {"0x7fffffffffffffff", std::nullopt, kMax64},
      {"0x8000000000000000", std::nullopt, std::nullopt},
      {"0x10000000000000000", std::nullopt, std::nullopt},
      {"0x", std::nullopt, std::nullopt},
      {"0x1G", std::nullopt, std::nullopt},
      {"-0x10", std::nullopt, std::nullopt},
      {"0x-1", std::nullopt, std::nullopt},
      {"", std::nullopt, std::nullopt},
      {"-", std::nullopt, std::nullopt},
      {"+", std::nullopt, std::nullopt},
      {"12abc", std::nullopt, std::nullopt},
      {" 5", std::nullopt, std::nullopt},
      {"5 ", std::nullopt, std::nullopt},
      {"1e3", std::nullopt, std::nullopt},
      {"1.0", std::nullopt, std::nullopt},
      {"--1", std::nullopt, std::nullopt},
  };
  for (const NumberCase& c : cases) {
    EXPECT_EQ(ParseProfileNumber(c.text, kMin32, kMax32), c.as32) << c.text;
    EXPECT_EQ(ParseProfileNumber(c.text, kMin64, kMax64), c.as64) << c.text;
  }
}

TEST(ProfileNumber, KeysFallBackToTheirDefault) {
  ProfileDocument document(
      "[Quillenta]\ni01=\"5\"\ni02=5x\ni03=\ni04\ni05=4294967296\ni31=4294967296\n"
      "b49=0\nb50=7\nb51=junk\nb52=-1\n");
  EXPECT_EQ(ReadProfileInt(document, "i01", 1), 5);
  EXPECT_EQ(ReadProfileInt(document, "i02", 2), 2);
  EXPECT_EQ(ReadProfileInt(document, "i03", 3), 3);
  EXPECT_EQ(ReadProfileInt(document, "i04", 4), 4);
  EXPECT_EQ(ReadProfileInt(document, "i05", 5), 5);
  EXPECT_EQ(ReadProfileInt(document, "i06", 6), 6);
  EXPECT_EQ(ReadProfileInt64(document, "i31", 0), 4294967296);
  EXPECT_FALSE(ReadProfileBool(document, "b49", true));
  EXPECT_TRUE(ReadProfileBool(document, "b50", false));
  EXPECT_TRUE(ReadProfileBool(document, "b51", true));
  EXPECT_FALSE(ReadProfileBool(document, "b51", false));
  EXPECT_TRUE(ReadProfileBool(document, "b52", false));
}

TEST(ProfileValues, Utf8Validity) {
  const std::pair<std::string, bool> cases[] = {
      {"", true},
      {"abc", true},
      {"受:ﾟ", true},
      {"\xC0\xAF", false},
      {"\xE0\x80\xAF", false},
      {"\xED\xA0\x80", false},
      {"\xF4\x90\x80\x80", false},
      {"\xE3\x81", false},
      {"\x8E\xF3", false},
      {"\xF0\x9F\x98\x80", true},
      {"a\0b"s, true},
  };
  for (const auto& [text, valid] : cases) EXPECT_EQ(IsValidUtf8(text), valid) << text;
  EXPECT_EQ(ToValidUtf8("a\xE3\x81"
                        "b"),
            "a\xEF\xBF\xBD\xEF\xBF\xBD"
            "b");
}

}  // namespace
}  // namespace quillenta
