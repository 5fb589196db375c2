#include "platform/win32/profile_store_win32.h"
#include "program/settings_location.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "platform/error.h"
#include "settings/order_editor.h"
#include "settings/settings_file.h"
#include "text/cp932.h"
#include "platform/win32/wide.h"
#include "win32_test_files.h"

namespace quillenta {
namespace {

using namespace std::string_literals;
using test::Entries;
using test::ReadBytes;
using test::TempFolder;
using test::WriteBytes;

// "日本語" and "受:" as the Windows program writes them.
const std::string kNihongo932 = "\x93\xFA\x96\x7B\x8C\xEA";
const std::string kUke932 = "\x8E\xF3:";

std::string LocateSettingsFileWin32(const std::string& exe, const std::string& appdata) {
  return ChooseSettingsFile(Win32SettingsPlaces(exe, appdata));
}
std::string LocateSettingsFileWin32() { return ChooseSettingsFile(Win32SettingsPlaces()); }

TEST(DecodeProfileBytes, Utf8AsIsElseCodePage932AsLinuxReadsIt) {
  struct Case {
    std::string bytes;
    std::string text;
    bool code_page_932;
  };
  const Case cases[] = {
      {"s95=\"" + kUke932 + "\"\r\n", "s95=\"受:\"\r\n", true},
      {"s84=\"\xDF\"", "s84=\"ﾟ\"", true},
      {"s00=\"" + kNihongo932 + "\"", "s00=\"日本語\"", true},
      {"a\\b~", "a\\b~", false},
      {"受:ﾟ", "受:ﾟ", false},
      {"\xEF\xBB\xBF[Quillenta]", "\xEF\xBB\xBF[Quillenta]", false},  // the document keeps a BOM
      {"\x8E\xF3\x80x", "受\xEF\xBF\xBDx", true},
      {"x\0\xDF"s, "x\0ﾟ"s, true},
      {"ok\x82", "ok\xEF\xBF\xBD", true},
      {"\xEF\xBB\xBF\x8E\xF3", "\xEF\xBF\xBD\xEF\xBD\xBB\xEF\xBD\xBF受", true},
      // Windows would give U+30FB for the unmapped pair and U+F8F0 for 0xA0.
      {"\x85\x40|\xA0|\xFD\xFE\xFF",
       "\xEF\xBF\xBD@|\xEF\xBF\xBD|\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD", true},
      {"\x81\x45\xDF", "・ﾟ", true},                // a real U+30FB is no error
      {"\xF0\x40\x87\x40", "\xEE\x80\x80①", true},  // user-defined area and NEC row 13
  };
  for (const Case& c : cases) {
    bool code_page_932 = !c.code_page_932;
    EXPECT_EQ(ReadableProfileText(DecodeProfileBytes(c.bytes, &code_page_932)), c.text) << c.bytes;
    EXPECT_EQ(code_page_932, c.code_page_932) << c.bytes;
  }
}

TEST(Utf8ToCp932, OnlyTextsThatReadBackExactly) {
  struct Case {
    std::string text;
    bool fits;
    std::string bytes;
  };
  const Case cases[] = {
      {"s00=\"日本語\"", true, "s00=\"" + kNihongo932 + "\""},
      {"受:ﾟ・～", true, kUke932 + "\xDF\x81\x45\x81\x60"},
      {"", true, ""},
      {"café", false, ""},  // no best fit to "e"
      {"€", false, ""},
      {"😀", false, ""},
      {"〜", false, ""},            // U+301C; code page 932 has only the full-width tilde
      {"\xC2\x80", false, ""},      // U+0080 would be written as 0x80, which reads as U+FFFD
      {"\xEF\xA3\xB0", false, ""},  // U+F8F0, behind 0xA0
      {"\xEF\xBF\xBD", false, ""},
      {"\xFF", false, ""},  // not UTF-8 at all
  };
  for (const Case& c : cases) {
    std::string bytes = "junk";
    EXPECT_EQ(Utf8ToCp932(c.text, bytes), c.fits) << c.text;
    if (c.fits) {
      EXPECT_EQ(bytes, c.bytes) << c.text;
    }
  }
}

TEST(Win32ProfileStore, LoadResults) {
  TempFolder dir;
  WriteBytes(dir / "big.INI", "");
  test::Resize(dir / "big.INI", (64 << 20) + 1);
  WriteBytes(dir / "limit.INI", "");
  test::Resize(dir / "limit.INI", 64 << 20);
  ASSERT_TRUE(::CreateDirectoryW(Utf8ToWide(dir / "folder.INI").c_str(), nullptr));
  const std::string pipe = "\\\\.\\pipe\\quillenta-" + std::to_string(::GetCurrentProcessId());
  HANDLE server = ::CreateNamedPipeW(Utf8ToWide(pipe).c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE,
                                     1, 0, 0, 0, nullptr);
  ASSERT_NE(server, INVALID_HANDLE_VALUE);
  struct Case {
    std::string path;
    ProfileStore::LoadResult result;
  };
  const Case cases[] = {
      {dir / "none.INI", ProfileStore::LoadResult::kMissing},
      {dir / "no\\such\\folder.INI", ProfileStore::LoadResult::kMissing},
      {dir / "folder.INI", ProfileStore::LoadResult::kUnreadable},
      {dir / "big.INI", ProfileStore::LoadResult::kUnreadable},
      {dir / "limit.INI", ProfileStore::LoadResult::kRead},
      {pipe, ProfileStore::LoadResult::kUnreadable},
      {"NUL", ProfileStore::LoadResult::kUnreadable},
  };
  for (const Case& c : cases) {
    std::string text = "x";
    EXPECT_EQ(Win32ProfileStore(c.path).Load(text), c.result) << c.path;
    if (c.result != ProfileStore::LoadResult::kRead) {
      EXPECT_EQ(text, "") << c.path;
    }
  }
  for (const char* path : {pipe.c_str(), "NUL"})
    EXPECT_THROW(Win32ProfileStore(path).Commit("x"), Error);
  ::CloseHandle(server);
}

TEST(Win32ProfileStore, CommitKeepsCodePage932WhileTheTextFits) {
  struct Case {
    const char* name;
    bool file_before;
    std::string before;  // the file's bytes, when there is one
    std::string text;    // what the commit writes
    std::string after;   // the file's bytes after the commit
    bool code_page_932;  // whether the next commit writes code page 932
  };
  const std::string doc932 =
      "[Quillenta]\r\ns00=\"" + kNihongo932 + "\"\r\ns95=\"" + kUke932 + "\"\r\n";
  const Case cases[] = {
      {"new_file", false, "", "s00=\"日本語\"\r\n", "s00=\"日本語\"\r\n", false},
      {"utf8_stays_utf8", true, "s50=\"x\"\r\n", "s50=\"受\"\r\n", "s50=\"受\"\r\n", false},
      {"utf8_bom_kept", true, "\xEF\xBB\xBFs50=\"\"", "\xEF\xBB\xBFs50=\"ﾟ\"",
       "\xEF\xBB\xBFs50=\"ﾟ\"", false},
      {"cp932_unchanged", true, doc932, "[Quillenta]\r\ns00=\"日本語\"\r\ns95=\"受:\"\r\n", doc932,
       true},
      {"cp932_edited", true, doc932, "[Quillenta]\r\ns00=\"日本\"\r\ns95=\"受:ﾟ\"\r\n",
       "[Quillenta]\r\ns00=\"\x93\xFA\x96\x7B\"\r\ns95=\"" + kUke932 + "\xDF\"\r\n", true},
      {"cp932_gets_e_acute", true, doc932, "s00=\"日本語 café\"", "s00=\"日本語 café\"", false},
      {"cp932_gets_emoji", true, doc932, "s00=\"😀\"", "s00=\"😀\"", false},
      // "ﾃｩ" is C3 A9 in code page 932: valid UTF-8 for "é", so it would read back wrong.
      {"cp932_bytes_that_read_as_utf8", true, doc932, "s50=\"ﾃｩ\"", "s50=\"ﾃｩ\"", false},
  };
  for (const Case& c : cases) {
    TempFolder dir;
    const std::string path = dir / "quillenta.INI";
    if (c.file_before) WriteBytes(path, c.before);
    Win32ProfileStore store(path);
    std::string loaded;
    store.Load(loaded);
    store.Commit(c.text);
    EXPECT_EQ(ReadBytes(path), c.after) << c.name;
    EXPECT_EQ(store.WritesCodePage932(), c.code_page_932) << c.name;
    EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"quillenta.INI"}) << c.name;
    Win32ProfileStore again(path);
    ASSERT_EQ(again.Load(loaded), ProfileStore::LoadResult::kRead) << c.name;
    EXPECT_EQ(loaded, c.text) << c.name;
  }
}

TEST(Win32ProfileStore, WindowsProgramFileSavesBackInCodePage932) {
  TempFolder dir;
  const std::string path = dir / "quillenta.INI";
  const std::string comment = "; \x83\x81\x83\x82\r\n";  // "; メモ"
  WriteBytes(path, "[Quillenta]\r\ns95=\"\x91\x97:\"\r\ns84=\"\xDF\"\r\n" + comment);
  Win32ProfileStore store(path);
  Settings settings;
  ItemSequence sequence;
  OrderEditor editor(sequence);
  SettingsFile file(store, settings, editor);
  file.LoadSettings();
  EXPECT_EQ(settings.Text(TextKey::s95), "送:");
  EXPECT_EQ(settings.Text(TextKey::s84), "ﾟ");
  settings.SetText(TextKey::s50, "肩書");
  file.SaveSettings({}, "日本語の行");
  const std::string saved = ReadBytes(path);
  EXPECT_NE(saved.find("s95=\"\x91\x97:\"\r\n"), std::string::npos);
  EXPECT_NE(saved.find("s50=\"\x8C\xA8\x8F\x91\"\r\n"), std::string::npos);
  EXPECT_NE(saved.find(comment), std::string::npos);
  bool code_page_932 = false;
  DecodeProfileBytes(saved, &code_page_932);
  EXPECT_TRUE(code_page_932);
}

// Windows' converter on bytes no encoding accounts for: written back as they were.
TEST(Win32ProfileStore, UndecodableBytesWriteBackAsTheyWere) {
  TempFolder dir;
  std::mt19937 random(932);
  std::string noise(1 << 16, '\0');
  for (char& b : noise) b = static_cast<char>(random());
  for (const std::string& bytes : {noise, "; \x8A\xBF\x80\xFF\x81\r\nk=\xED\x40\xA0\r\n"s}) {
    WriteBytes(dir / "q.INI", bytes);
    Win32ProfileStore store(dir / "q.INI");
    std::string text;
    ASSERT_EQ(store.Load(text), ProfileStore::LoadResult::kRead);
    store.Commit(text);
    EXPECT_TRUE(ReadBytes(dir / "q.INI") == bytes);
  }
}

TEST(Win32ProfileStore, CommitCreatesFoldersAndKeepsAttributes) {
  TempFolder dir;
  const std::string path = dir / "AppData\\Quillenta\\quillenta.INI";
  Win32ProfileStore store(path);
  store.Commit("one");
  EXPECT_EQ(ReadBytes(path), "one");
  const std::wstring wide = Utf8ToWide(path);
  ASSERT_TRUE(::SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_HIDDEN));
  store.Commit("two");
  EXPECT_EQ(ReadBytes(path), "two");
  EXPECT_NE(::GetFileAttributesW(wide.c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);
  EXPECT_EQ(Entries(dir / "AppData\\Quillenta"), std::vector<std::string>{"quillenta.INI"});
}

// Each way a file may refuse to be written; `make` returns false when it cannot be set up here.
struct Refusal {
  const char* name;
  bool (*make)(const std::string& path, test::Held& held);
  void (*undo)(const std::string& path);
  // Whether a save tries again a little later (FileHeldError): another program's hold and a
  // refused access may end by themselves, the read-only attribute does not.
  bool held;
};

const Refusal kRefusals[] = {
    {"read_only_attribute",
     [](const std::string& path, test::Held&) {
       return ::SetFileAttributesW(Utf8ToWide(path).c_str(), FILE_ATTRIBUTE_READONLY) != 0;
     },
     [](const std::string& path) {
       ::SetFileAttributesW(Utf8ToWide(path).c_str(), FILE_ATTRIBUTE_NORMAL);
     },
     false},
    {"linux_immutable", [](const std::string& path, test::Held&) { return test::Chattr("+i", path); },
     [](const std::string& path) { test::Chattr("-i", path); }, true},
    {"held_by_another_program",
     [](const std::string& path, test::Held& held) {
       held.Open(path, FILE_SHARE_READ);
       return held.valid();
     },
     [](const std::string&) {}, true},
    {"held_without_sharing",
     [](const std::string& path, test::Held& held) {
       held.Open(path, 0);
       return held.valid();
     },
     [](const std::string&) {}, true},
};

TEST(Win32ProfileStore, FileThatMayNotBeWrittenRaisesOnceAndStaysWhole) {
  for (const Refusal& refusal : kRefusals) {
    TempFolder dir;
    const std::string path = dir / "quillenta.INI";
    const std::string before = "; mine\r\n[Quillenta]\r\ns50=\"" + kUke932 + "\"\r\n";
    WriteBytes(path, before);
    {
      test::Held held;
      if (!refusal.make(path, held)) {
        ADD_FAILURE() << refusal.name << " could not be set up";
        continue;
      }
      Win32ProfileStore store(path);
      Settings settings;
      ItemSequence sequence;
      OrderEditor editor(sequence);
      SettingsFile file(store, settings, editor);
      file.LoadSettings();
      settings.SetText(TextKey::s50, "changed");
      int errors = 0;
      try {
        file.SaveSettings({}, "line");
      } catch (const Error& error) {
        ++errors;
        EXPECT_EQ(std::string(error.what()), path + " に書き込めません") << refusal.name;
        EXPECT_EQ(dynamic_cast<const FileHeldError*>(&error) != nullptr, refusal.held)
            << refusal.name;
      }
      EXPECT_EQ(errors, 1) << refusal.name;
      EXPECT_THROW(store.Commit("x"), Error) << refusal.name;
    }
    refusal.undo(path);
    EXPECT_EQ(ReadBytes(path), before) << refusal.name;
    EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"quillenta.INI"}) << refusal.name;
  }
}

// A virus scanner opens the file for a moment: the save meets it, and succeeds once it lets go.
TEST(Win32ProfileStore, HeldFileIsSavedOnceLetGo) {
  for (DWORD share : {DWORD{0}, DWORD{FILE_SHARE_READ}}) {
    TempFolder dir;
    const std::string path = dir / "quillenta.INI";
    WriteBytes(path, "[Quillenta]\r\ni01=1\r\n");
    Win32ProfileStore store(path);
    std::string text;
    {
      test::Held held;
      held.Open(path, share);
      ASSERT_TRUE(held.valid());
      EXPECT_EQ(store.Load(text), share == 0 ? ProfileStore::LoadResult::kHeld
                                             : ProfileStore::LoadResult::kRead)
          << share;
      EXPECT_THROW(store.Commit("[Quillenta]\r\ni01=2\r\n"), FileHeldError) << share;
    }
    EXPECT_EQ(ReadBytes(path), "[Quillenta]\r\ni01=1\r\n");
    store.Commit("[Quillenta]\r\ni01=2\r\n");
    EXPECT_EQ(ReadBytes(path), "[Quillenta]\r\ni01=2\r\n");
    EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"quillenta.INI"});
  }
}

// Folders nested past MAX_PATH (260): the settings file is found, read and written there.
TEST(Win32ProfileStore, PathsLongerThanMaxPath) {
  TempFolder dir;
  std::string folder = dir.path();
  std::wstring extended = L"\\\\?\\" + Utf8ToWide(dir.path());
  while (folder.size() < 300) {
    folder += "\\長いフォルダ名-0123456789";
    extended += L"\\長いフォルダ名-0123456789";
    ASSERT_TRUE(::CreateDirectoryW(extended.c_str(), nullptr)) << folder;
  }
  const std::string exe = folder + "\\quillenta.exe";
  const std::string path = LocateSettingsFileWin32(exe, dir / "AppData");
  EXPECT_EQ(path, folder + "\\quillenta.INI");
  Win32ProfileStore store(path);
  std::string text;
  EXPECT_EQ(store.Load(text), ProfileStore::LoadResult::kMissing);
  store.Commit("[Quillenta]\r\ni01=1\r\n");
  EXPECT_EQ(store.Load(text), ProfileStore::LoadResult::kRead);
  EXPECT_EQ(text, "[Quillenta]\r\ni01=1\r\n");
  store.Commit("[Quillenta]\r\ni01=2\r\n");
  EXPECT_EQ(store.Load(text), ProfileStore::LoadResult::kRead);
  EXPECT_EQ(text, "[Quillenta]\r\ni01=2\r\n");
  // Found again beside the program now that it is there.
  EXPECT_EQ(LocateSettingsFileWin32(exe, dir / "AppData"), path);
  // Nothing left behind but the file, which the tree's removal needs the long form for.
  WIN32_FIND_DATAW found;
  HANDLE find = ::FindFirstFileW((extended + L"\\*").c_str(), &found);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  std::vector<std::wstring> names;
  do {
    if (found.cFileName[0] != L'.') names.push_back(found.cFileName);
  } while (::FindNextFileW(find, &found));
  ::FindClose(find);
  EXPECT_EQ(names, std::vector<std::wstring>{L"quillenta.INI"});
  ::DeleteFileW((extended + L"\\quillenta.INI").c_str());
  while (extended.size() > 4 + dir.path().size()) {
    ::RemoveDirectoryW(extended.c_str());
    extended.resize(extended.rfind(L'\\'));
  }
}

// A settings file that is a symbolic link (made on the Linux side, as a user of the Windows
// program under Wine, or Windows's own mklink, makes one): the save goes to the file the link
// leads to, and the link stays a link.
TEST(Win32ProfileStore, SymbolicLinkIsWrittenThrough) {
  TempFolder dir;
  ASSERT_TRUE(::CreateDirectoryW(Utf8ToWide(dir / "real").c_str(), nullptr));
  const std::string real = dir / "real\\settings.INI";
  const std::string link = dir / "quillenta.INI";
  WriteBytes(real, "[Quillenta]\r\ni01=1\r\n");
  ASSERT_TRUE(test::LinuxSymlink(real, link));
  Win32ProfileStore store(link);
  std::string text;
  ASSERT_EQ(store.Load(text), ProfileStore::LoadResult::kRead);
  EXPECT_EQ(text, "[Quillenta]\r\ni01=1\r\n");
  store.Commit("[Quillenta]\r\ni01=2\r\n");
  EXPECT_EQ(ReadBytes(real), "[Quillenta]\r\ni01=2\r\n");
  EXPECT_EQ(ReadBytes(link), "[Quillenta]\r\ni01=2\r\n");
  // Still a link: what the file it leads to holds next is what the link reads.
  WriteBytes(real, "[Quillenta]\r\ni01=3\r\n");
  EXPECT_EQ(ReadBytes(link), "[Quillenta]\r\ni01=3\r\n") << "the link was replaced by a file";
  EXPECT_EQ(Entries(dir / "real"), std::vector<std::string>{"settings.INI"});
  EXPECT_EQ(Entries(dir.path()), (std::vector<std::string>{"quillenta.INI", "real"}));
}

TEST(Win32ProfileStore, FolderThatMayNotBeWrittenRaises) {
  TempFolder dir;
  ASSERT_TRUE(::CreateDirectoryW(Utf8ToWide(dir / "locked").c_str(), nullptr));
  const std::string path = dir / "locked\\quillenta.INI";
  WriteBytes(path, "[Quillenta]\r\n");
  ASSERT_TRUE(test::Chattr("+i", dir / "locked"));
  EXPECT_THROW(Win32ProfileStore(path).Commit("x"), Error);
  EXPECT_THROW(Win32ProfileStore(dir / "locked\\new.INI").Commit("x"), Error);
  test::Chattr("-i", dir / "locked");
  EXPECT_EQ(ReadBytes(path), "[Quillenta]\r\n");
  EXPECT_EQ(Entries(dir / "locked"), std::vector<std::string>{"quillenta.INI"});
}

TEST(LocateSettingsFileWin32, BesideTheProgramOrAppData) {
  struct Case {
    const char* name;
    const char* exe;  // relative to the temp folder
    bool file_beside;
    bool folder_writable;
    const char* appdata;   // relative to the temp folder; "" for none
    const char* expected;  // relative to the temp folder
  };
  const Case cases[] = {
      {"writable_folder", "\\bin\\Watch.exe", false, true, "\\ad", "\\bin\\Watch.INI"},
      {"file_already_there", "\\bin\\Watch.exe", true, false, "\\ad", "\\bin\\Watch.INI"},
      {"installed", "\\bin\\Watch.exe", false, false, "\\ad", "\\ad\\Quillenta\\quillenta.INI"},
      {"appdata_with_separator", "\\bin\\Watch.exe", false, false, "\\ad\\",
       "\\ad\\Quillenta\\quillenta.INI"},
      {"no_appdata", "\\bin\\Watch.exe", false, false, "", "\\bin\\Watch.INI"},
      {"no_extension", "\\bin\\quillenta", false, true, "\\ad", "\\bin\\quillenta.INI"},
      {"dot_in_folder_only", "\\bin\\v1.2\\quillenta", false, true, "\\ad",
       "\\bin\\v1.2\\quillenta.INI"},
      {"two_dots", "\\bin\\a.b.exe", false, true, "\\ad", "\\bin\\a.b.INI"},
      {"slashes", "/bin/Watch.exe", false, true, "\\ad", "/bin/Watch.INI"},
      {"japanese_name", "\\bin\\時計 ツール.exe", false, true, "\\ad", "\\bin\\時計 ツール.INI"},
  };
  for (const Case& c : cases) {
    TempFolder dir;
    std::string folder = dir.path() + c.exe;
    folder.resize(folder.find_last_of("\\/"));
    ASSERT_TRUE(test::MakeFolders(folder)) << c.name;
    if (c.file_beside) WriteBytes(dir.path() + c.expected, "");
    if (!c.folder_writable) {
      ASSERT_TRUE(test::Chattr("+i", folder)) << c.name;
    }
    const std::string appdata = *c.appdata ? dir.path() + c.appdata : "";
    EXPECT_EQ(LocateSettingsFileWin32(dir.path() + c.exe, appdata), dir.path() + c.expected)
        << c.name;
    if (!c.folder_writable) test::Chattr("-i", folder);
    // The writability check leaves nothing behind.
    EXPECT_EQ(Entries(folder).size(), c.file_beside ? 1u : 0u) << c.name;
  }
}

TEST(LocateSettingsFileWin32, ThisProgramsFolderIsWritable) {
  std::wstring exe(32768, L'\0');
  exe.resize(::GetModuleFileNameW(nullptr, exe.data(), static_cast<DWORD>(exe.size())));
  std::string expected = WideToUtf8(exe);
  expected.resize(expected.rfind('.'));
  EXPECT_EQ(LocateSettingsFileWin32(), expected + ".INI");
}

}  // namespace
}  // namespace quillenta
