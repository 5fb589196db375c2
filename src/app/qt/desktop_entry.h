#pragma once
// The desktop entry's translatable keys. The entry is written at build time from these and
// the catalogues (tools/make_desktop_entry.cpp), so that the menus of the desktop name the
// program in the same words as the program itself.
#include "lang/translate.h"

namespace quillenta {

struct DesktopEntryKey {
  const char* key;
  Message text;
};

inline constexpr DesktopEntryKey kDesktopEntryKeys[] = {
    {"GenericName", QMessage("desktop entry", "タイトルバー情報表示")},
    {"Comment", QMessage("desktop entry",
                         "アクティブなウィンドウのタイトルバーに日付・時刻・メモリ・CPU・電池・"
                         "ダイヤルアップ情報を表示します")},
};

}  // namespace quillenta
