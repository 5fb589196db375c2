// Feeds arbitrary bytes to the settings-file reader as a file would: decoded, parsed, every key
// read, written back and read again. Any difference, or any crash, is a finding.
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/profile_store_linux.h"
#include "settings/profile_document.h"
#include "settings/profile_values.h"
#include "text/cp932.h"
#include "text/utf8.h"

namespace {

using quillenta::ProfileDocument;

std::vector<std::string> KeyNames() {
  std::vector<std::string> keys = {"s00", "i30", "i31", "i33", "i34"};
  for (int n = 1; n <= 22; ++n) keys.push_back((n < 10 ? "i0" : "i") + std::to_string(n));
  for (int n = 48; n <= 83; ++n) keys.push_back("b" + std::to_string(n));
  for (int n = 50; n <= 98; ++n) keys.push_back("s" + std::to_string(n));
  return keys;
}

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::vector<std::string> keys = KeyNames();
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  bool code_page_932 = false;
  const std::string text = quillenta::DecodeProfileBytes(bytes, &code_page_932);
  Check(quillenta::IsValidUtf8(quillenta::ReadableProfileText(text)));
  if (quillenta::IsValidUtf8(bytes)) Check(text == bytes);
  // Nothing is lost: the text writes back as the very bytes it was read from.
  std::string back;
  Check(quillenta::EncodeProfileText(text, code_page_932, back) !=
            quillenta::ProfileEncoding::kNone &&
        back == bytes);

  ProfileDocument document(text);
  Check(document.Text() == text);

  constexpr auto kMin = std::numeric_limits<std::int64_t>::min();
  constexpr auto kMax = std::numeric_limits<std::int64_t>::max();
  std::vector<std::string> values;
  for (const std::string& key : keys) {
    values.push_back(document.ReadString("Quillenta", key, "\"default\""));
    Check(values.back().size() <= ProfileDocument::kMaxValueBytes);
  }
  const std::string other = document.ReadString("Other", "i01", "none");

  for (std::size_t i = 0; i < keys.size(); ++i) {
    document.Write("Quillenta", keys[i], "\"" + values[i] + "\"");
  }
  const std::string written = document.Text();
  Check(quillenta::IsValidUtf8(quillenta::ReadableProfileText(written)));
  const ProfileDocument reread(written);
  for (std::size_t i = 0; i < keys.size(); ++i) {
    Check(reread.ReadString("Quillenta", keys[i], "\"lost\"") == values[i]);
  }
  Check(reread.ReadString("Other", "i01", "none") == other);

  // The numbers again, unquoted in decimal as the save writes them.
  std::vector<std::optional<std::int64_t>> numbers;
  for (std::size_t i = 0; i < keys.size(); ++i) {
    numbers.push_back(quillenta::ParseProfileNumber(values[i], kMin, kMax));
    if (numbers.back()) document.Write("Quillenta", keys[i], std::to_string(*numbers.back()));
  }
  const ProfileDocument numeric(document.Text());
  for (std::size_t i = 0; i < keys.size(); ++i) {
    if (!numbers[i]) continue;
    Check(quillenta::ParseProfileNumber(numeric.ReadString("Quillenta", keys[i], ""), kMin, kMax) ==
          numbers[i]);
  }
  return 0;
}
