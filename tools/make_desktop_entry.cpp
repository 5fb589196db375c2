// Writes the desktop entry from its template: each line "@Key@" becomes the key in English,
// the entry's default, and its Japanese source as Key[ja]:
//   make-desktop-entry data/quillenta.desktop.in quillenta.desktop
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>

#include "app/qt/desktop_entry.h"

int main(int argc, char** argv) {
  using namespace quillenta;
  if (argc != 3) {
    std::fputs("usage: make-desktop-entry TEMPLATE OUTPUT\n", stderr);
    return 2;
  }
  std::ifstream in(argv[1]);
  std::ofstream out(argv[2], std::ios::binary);
  if (!in || !out) {
    std::perror("make-desktop-entry");
    return 1;
  }
  std::string line;
  int replaced = 0;
  while (std::getline(in, line)) {
    bool keyed = false;
    for (const DesktopEntryKey& entry : kDesktopEntryKeys) {
      if (line != "@" + std::string(entry.key) + "@") continue;
      const Message& text = entry.text;
      out << entry.key << '=' << TranslateTo(Language::kEnglish, text.context, text.source) << '\n'
          << entry.key << "[ja]=" << TranslateTo(Language::kJapanese, text.context, text.source)
          << '\n';
      keyed = true;
      ++replaced;
    }
    if (!keyed) out << line << '\n';
  }
  // A template that lost a key would ship an entry without it.
  if (replaced != static_cast<int>(std::size(kDesktopEntryKeys))) {
    std::fputs("make-desktop-entry: the template lacks a key\n", stderr);
    return 1;
  }
  return out ? 0 : 1;
}
