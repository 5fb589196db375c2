#include "platform/win32/ui_language_win32.h"

#include <algorithm>

#include "platform/win32/wide.h"

namespace quillenta {

std::vector<std::string> PreferredUiLanguages(const UiLanguagesQuery& query) {
  const UiLanguagesQuery ask = query ? query : UiLanguagesQuery(&::GetUserPreferredUILanguages);
  std::vector<std::string> names;
  // The list may change between the size and the read (a language added meanwhile): read
  // again with the new size, a few times at most.
  for (int attempt = 0; attempt < 3; ++attempt) {
    ULONG count = 0, size = 0;
    if (!ask(MUI_LANGUAGE_NAME, &count, nullptr, &size) || size == 0) return names;
    std::wstring buffer(size, L'\0');
    if (!ask(MUI_LANGUAGE_NAME, &count, buffer.data(), &size)) {
      if (::GetLastError() == ERROR_INSUFFICIENT_BUFFER) continue;
      return names;
    }
    buffer.resize(std::min<std::size_t>(size, buffer.size()));
    for (std::size_t at = 0; at < buffer.size() && buffer[at] != L'\0';) {
      const std::size_t end = buffer.find(L'\0', at);
      const std::size_t stop = end == std::wstring::npos ? buffer.size() : end;
      names.push_back(WideToUtf8(std::wstring_view(buffer).substr(at, stop - at)));
      at = stop + 1;
    }
    return names;
  }
  return names;
}

Language Win32SystemLanguage() { return LanguageOfPreferences(PreferredUiLanguages()); }

}  // namespace quillenta
