// Code page 932 through glibc's iconv.
#include <iconv.h>

#include <cerrno>

#include "text/cp932.h"
#include "text/utf8.h"

namespace quillenta {

std::string Cp932ToUtf8(std::string_view bytes) {
  iconv_t cd = ::iconv_open("UTF-8", "CP932");
  if (cd == reinterpret_cast<iconv_t>(-1)) return ToValidUtf8(bytes);
  std::string out;
  out.reserve(bytes.size() * 3 / 2 + 16);
  char buffer[4096];
  char* in = const_cast<char*>(bytes.data());
  std::size_t in_left = bytes.size();
  while (in_left > 0) {
    char* out_ptr = buffer;
    std::size_t out_left = sizeof buffer;
    std::size_t rc = ::iconv(cd, &in, &in_left, &out_ptr, &out_left);
    out.append(buffer, static_cast<std::size_t>(out_ptr - buffer));
    if (rc == static_cast<std::size_t>(-1) && errno != E2BIG) {
      // Not code page 932 either (EILSEQ), or cut off at the end (EINVAL).
      out += "\xEF\xBF\xBD";
      ++in;
      --in_left;
      ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
  ::iconv_close(cd);
  return out;
}

bool detail::ConvertToCp932(std::string_view text, std::string& out) {
  iconv_t cd = ::iconv_open("CP932", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  out.clear();
  out.reserve(text.size());
  char buffer[4096];
  char* in = const_cast<char*>(text.data());
  std::size_t in_left = text.size();
  bool ok = true;
  while (ok && in_left > 0) {
    char* out_ptr = buffer;
    std::size_t out_left = sizeof buffer;
    const std::size_t rc = ::iconv(cd, &in, &in_left, &out_ptr, &out_left);
    out.append(buffer, static_cast<std::size_t>(out_ptr - buffer));
    ok = rc != static_cast<std::size_t>(-1) || errno == E2BIG;
  }
  ::iconv_close(cd);
  return ok;
}

}  // namespace quillenta
