#pragma once
// Which interface language Windows' display language asks for: the user's preferred UI
// languages, never the region format (a Japanese user may well format dates as in Germany).
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "lang/language.h"

namespace quillenta {

// GetUserPreferredUILanguages' signature, so that a test can give the list Windows has with
// several display languages installed, which Wine never gives.
using UiLanguagesQuery = std::function<BOOL(DWORD flags, PULONG count, PZZWSTR buffer,
                                            PULONG size)>;

// The display languages by name ("ja-JP"), most wanted first; none when the query fails.
std::vector<std::string> PreferredUiLanguages(const UiLanguagesQuery& query = {});
Language Win32SystemLanguage();

}  // namespace quillenta
