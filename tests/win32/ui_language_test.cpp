// Windows' display languages: the list as the system gives it, and what Wine's gives.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/win32/ui_language_win32.h"

using namespace quillenta;

namespace {

// GetUserPreferredUILanguages of a Windows with several display languages: each call, a size
// query or a read, gets the next of `lists`, so a list may change between the two.
UiLanguagesQuery Windows(std::vector<std::wstring> lists) {
  auto next = std::make_shared<std::size_t>(0);
  return [lists, next](DWORD flags, PULONG count, PZZWSTR buffer, PULONG size) -> BOOL {
    if (flags != MUI_LANGUAGE_NAME || *next >= lists.size()) return FALSE;
    const std::wstring& list = lists[(*next)++];
    *count = 1;
    if (buffer == nullptr) {
      *size = static_cast<ULONG>(list.size());
      return TRUE;
    }
    if (*size < list.size()) {
      ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
      return FALSE;
    }
    list.copy(buffer, list.size());
    *size = static_cast<ULONG>(list.size());
    return TRUE;
  };
}

TEST(UiLanguageTest, TheDisplayLanguagesInTheirOrder) {
  using Names = std::vector<std::string>;
  const std::wstring german_first(L"de-DE\0ja-JP\0en-US\0\0", 20);
  struct Case {
    const char* what;
    std::vector<std::wstring> lists;
    Names want;
  };
  const Case cases[] = {
      {"three languages", {german_first, german_first}, {"de-DE", "ja-JP", "en-US"}},
      {"one added between size and read",
       {std::wstring(L"ja-JP\0\0", 7), german_first, german_first, german_first},
       {"de-DE", "ja-JP", "en-US"}},
      {"an empty list", {std::wstring(L"\0", 1), std::wstring(L"\0", 1)}, {}},
      {"a failing call", {}, {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PreferredUiLanguages(Windows(c.lists)), c.want) << c.what;
  }
  // The Wine session is Japanese (wine-session.sh's LANG): Wine names its one language.
  EXPECT_EQ(PreferredUiLanguages(), Names{"ja-JP"});
  EXPECT_EQ(Win32SystemLanguage(), Language::kJapanese);
}

}  // namespace
