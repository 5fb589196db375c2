#include "settings/settings_file.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/error.h"
#include "settings/profile_document.h"

namespace quillenta {
namespace {

using namespace std::string_literals;

class MemoryProfileStore : public ProfileStore {
 public:
  std::optional<std::string> content;
  const char* new_line = "\n";
  bool unreadable = false;
  bool held = false;
  bool fail_commit = false;
  int loads = 0;
  int commits = 0;

  const std::string& Path() const override { return path_; }
  LoadResult Load(std::string& text) override {
    ++loads;
    text.clear();
    if (unreadable) return LoadResult::kUnreadable;
    if (held) return LoadResult::kHeld;
    if (!content) return LoadResult::kMissing;
    text = *content;
    return LoadResult::kRead;
  }
  void Commit(const std::string& text) override {
    ++commits;
    if (fail_commit) throw Error(path_ + " に書き込めません");
    content = text;
  }
  const char* NewLine() const override { return new_line; }

 private:
  std::string path_ = "/home/u/.config/quillenta/quillenta.INI";
};

struct Program {
  MemoryProfileStore store;
  Settings settings;
  ItemSequence sequence;
  OrderEditor editor{sequence};
  SettingsFile file{store, settings, editor};
  std::vector<bool> periodic_save_switches;
  Signal<bool>::Subscription periodic_save_;

  Program() {
    periodic_save_ = settings.periodic_save_changed.Subscribe(
        [this](bool on) { periodic_save_switches.push_back(on); });
  }
  std::string Stored(const char* key) const {
    ProfileDocument document(store.content.value_or(""));
    auto value = document.StoredValue("Quillenta", key);
    return value ? std::string(*value) : "<absent>";
  }
};

std::vector<std::string> KeysInOrder(const std::string& text) {
  std::vector<std::string> keys;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    std::string line = text.substr(pos, end - pos);
    if (std::size_t equals = line.find('='); equals != std::string::npos) {
      keys.push_back(line.substr(0, equals));
    }
    pos = end == std::string::npos ? text.size() : end + 1;
  }
  return keys;
}

TEST(SettingsFile, FirstStartGivesDefaultsAndWritesNothing) {
  Program p;
  p.file.LoadSettings();
  for (const FlagDef& def : kFlagTable)
    EXPECT_EQ(p.settings.Flag(def.key), def.default_value) << def.name;
  for (const TextDef& def : kTextTable)
    EXPECT_EQ(p.settings.Text(def.key), def.default_value) << def.name;
  for (int n = 1; n <= 21; ++n) EXPECT_EQ(p.sequence.Slot(n), n);
  EXPECT_EQ(p.sequence.Slot(22), 0);
  EXPECT_EQ(p.sequence.Count(), 21);
  EXPECT_EQ(p.editor.Label(9), "9");
  EXPECT_EQ(p.settings.Unit(), ByteUnit::kBytes);
  EXPECT_FALSE(p.settings.ExtraMode());
  EXPECT_EQ(p.periodic_save_switches, std::vector<bool>{true});
  PersistedTotals totals = p.file.ReadConnectionTotals();
  EXPECT_EQ(totals.tenths, 0);
  EXPECT_EQ(totals.received, 0);
  EXPECT_EQ(totals.sent, 0);
  EXPECT_EQ(p.store.commits, 0);
  EXPECT_FALSE(p.store.content.has_value());
  EXPECT_EQ(p.store.loads, 2);
}

TEST(SettingsFile, SaveWritesKeysInOrderInOneCommit) {
  Program p;
  p.file.LoadSettings();
  p.file.SaveSettings({1, 2, 3}, "line");
  EXPECT_EQ(p.store.loads, 2);
  EXPECT_EQ(p.store.commits, 1);
  std::vector<std::string> expected;
  for (int n = 1; n <= 9; ++n) expected.push_back("i0" + std::to_string(n));
  for (int n = 10; n <= 22; ++n) expected.push_back("i" + std::to_string(n));
  for (const char* key : {"i30", "i31", "i33", "i34"}) expected.push_back(key);
  for (const FlagDef& def : kFlagTable) {
    if (def.key != FlagKey::b48) expected.push_back(def.name);
  }
  for (const TextDef& def : kTextTable) expected.push_back(def.name);
  expected.push_back(kLanguageKey);
  EXPECT_EQ(KeysInOrder(*p.store.content), expected);
  EXPECT_EQ(p.Stored("i22"), "0");
  EXPECT_EQ(p.Stored(kLanguageKey), "auto");
  EXPECT_EQ(p.Stored("s53"), "\"/\"");
  EXPECT_EQ(p.Stored("s50"), "\"\"");
  EXPECT_EQ(p.Stored("b49"), "1");
  EXPECT_EQ(p.Stored("b51"), "0");
}

// The label beside the panel's icon follows the session until the user chooses; only a
// choice is written, so that the same file still follows each session it is used in.
TEST(SettingsFile, PanelLabelFollowsTheSessionUntilChosen) {
  struct Case {
    const char* name;
    bool wayland;
    std::optional<std::string> stored;
    std::optional<bool> chosen;  // what the user sets after the load
    bool expected;
    const char* saved;
  } cases[] = {
      {"X11, no key", false, std::nullopt, std::nullopt, false, "<absent>"},
      {"Wayland, no key", true, std::nullopt, std::nullopt, true, "<absent>"},
      {"a value of no choice", true, "yes", std::nullopt, true, "yes"},
      {"off in Wayland", true, "0", std::nullopt, false, "0"},
      {"on in X11", false, "1", std::nullopt, true, "1"},
      {"chosen on in X11", false, std::nullopt, true, true, "1"},
      {"chosen off in Wayland", true, std::nullopt, false, false, "0"},
      {"chosen as the default", false, std::nullopt, false, false, "0"},
  };
  for (const Case& c : cases) {
    Program p;
    p.settings.SetPanelLabelDefault(c.wayland);
    p.store.content = "[Quillenta]\n"s + (c.stored ? "PanelLabel=" + *c.stored + "\n" : "");
    p.file.LoadSettings();
    if (c.chosen) p.settings.SetPanelLabel(*c.chosen);
    EXPECT_EQ(p.settings.PanelLabel(), c.expected) << c.name;
    p.file.SaveSettings({}, "");
    EXPECT_EQ(p.Stored(kPanelLabelKey), c.saved) << c.name;
    Program again;
    again.settings.SetPanelLabelDefault(c.wayland);
    again.store.content = p.store.content;
    again.file.LoadSettings();
    EXPECT_EQ(again.settings.PanelLabel(), c.expected) << c.name;
  }
}

TEST(SettingsFile, TextsSurviveSaveAndLoad) {
  Program p;
  p.file.LoadSettings();
  std::vector<std::string> values;
  int n = 0;
  for (const TextDef& def : kTextTable) {
    std::string value = " \t" + std::to_string(n++) + " ";
    if (def.key == TextKey::s51) value = "\"quoted\"";
    if (def.key == TextKey::s52) value = "";
    if (def.key == TextKey::s53) value = "'x'";
    if (def.key == TextKey::s54) value = "受信 ﾟ";
    p.settings.SetText(def.key, value);
    values.push_back(value);
  }
  p.file.SaveSettings({}, "");

  Program q;
  q.store.content = p.store.content;
  q.file.LoadSettings();
  n = 0;
  for (const TextDef& def : kTextTable)
    EXPECT_EQ(q.settings.Text(def.key), values[n++]) << def.name;
}

TEST(SettingsFile, AnEditedTextEndsAtItsFirstNul) {
  Settings settings;
  settings.SetText(TextKey::s66, "M\0X:"s);
  EXPECT_EQ(settings.Text(TextKey::s66), "M");
}

TEST(SettingsFile, FlagsSequenceAndUnitRoundTrip) {
  Program p;
  p.file.LoadSettings();
  for (const FlagDef& def : kFlagTable) {
    if (def.key != FlagKey::b48) p.settings.SetFlag(def.key, !def.default_value);
  }
  p.settings.SetByteUnit(2);
  p.editor.ClearSequence();
  p.editor.Click(8);
  p.editor.Click(1);
  p.file.SaveSettings({}, "");

  Program q;
  q.store.content = p.store.content;
  q.file.LoadSettings();
  for (const FlagDef& def : kFlagTable) {
    if (def.key != FlagKey::b48) {
      EXPECT_EQ(q.settings.Flag(def.key), !def.default_value) << def.name;
    }
  }
  EXPECT_EQ(q.settings.Unit(), ByteUnit::kKilobytes);
  EXPECT_EQ(q.sequence.Slot(1), 8);
  EXPECT_EQ(q.sequence.Slot(2), 1);
  EXPECT_EQ(q.sequence.Slot(3), 0);
  EXPECT_EQ(q.sequence.Count(), 2);
  EXPECT_EQ(q.editor.Label(1), "2");
  EXPECT_EQ(q.editor.Label(2), "");
  EXPECT_TRUE(q.periodic_save_switches.empty());  // b76 stayed off
}

struct LoadCase {
  const char* name;
  const char* file;
  void (*check)(const Program&);
};

TEST(SettingsFile, LoadRules) {
  const LoadCase cases[] = {
      {"unit text after its flag", "[Quillenta]\nb58=0\n",
       [](const Program& p) {
         EXPECT_FALSE(p.settings.Flag(FlagKey::b58));
         EXPECT_EQ(p.settings.Text(TextKey::s67), "% ");
       }},
      {"stored unit text wins", "[Quillenta]\nb61=0\ns74=\"kB \"\n",
       [](const Program& p) { EXPECT_EQ(p.settings.Text(TextKey::s74), "kB "); }},
      {"byte unit 7 ignored", "[Quillenta]\ni34=7\n",
       [](const Program& p) {
         EXPECT_EQ(p.settings.Unit(), ByteUnit::kBytes);
         EXPECT_EQ(p.settings.Text(TextKey::s96), "byte ");
       }},
      {"byte unit 3", "[Quillenta]\ni34=3\n",
       [](const Program& p) { EXPECT_EQ(p.settings.Unit(), ByteUnit::kMegabytes); }},
      {"empty sequence", "[Quillenta]\ni01=0\n",
       [](const Program& p) {
         EXPECT_EQ(p.sequence.Slot(1), 0);
         EXPECT_EQ(p.sequence.Count(), 20);  // only the positive codes of slots 1..21
         EXPECT_EQ(p.editor.Label(1), "");
         EXPECT_EQ(p.editor.Label(2), "2");
       }},
      {"codes kept as read", "[Quillenta]\ni01=5\ni02=-3\ni03=99\n",
       [](const Program& p) {
         EXPECT_EQ(p.sequence.Slot(1), 5);
         EXPECT_EQ(p.sequence.Slot(2), -3);
         EXPECT_EQ(p.sequence.Slot(3), 99);
         EXPECT_EQ(p.sequence.Count(), 20);
         EXPECT_EQ(p.editor.Label(5), "5");  // the later position wins
       }},
      {"unquoted text", "[Quillenta]\ns53=/\ns52='x'\n",
       [](const Program& p) {
         EXPECT_EQ(p.settings.Text(TextKey::s53), "/");
         EXPECT_EQ(p.settings.Text(TextKey::s52), "x");
       }},
      {"extra mode on", "[Quillenta]\nb48=1\n",
       [](const Program& p) {
         EXPECT_TRUE(p.settings.ExtraMode());
         EXPECT_TRUE(p.settings.ExtraModeMark());
       }},
      {"bad numbers give defaults", "[Quillenta]\ni02=x\nb49=\nb51=0x1\nb52=junk\ni34=0x2\n",
       [](const Program& p) {
         EXPECT_EQ(p.sequence.Slot(2), 2);
         EXPECT_TRUE(p.settings.Flag(FlagKey::b49));
         EXPECT_TRUE(p.settings.Flag(FlagKey::b51));
         EXPECT_TRUE(p.settings.Flag(FlagKey::b52));
         EXPECT_EQ(p.settings.Unit(), ByteUnit::kKilobytes);
       }},
  };
  for (const LoadCase& c : cases) {
    SCOPED_TRACE(c.name);
    Program p;
    p.store.content = c.file;
    p.file.LoadSettings();
    c.check(p);
    EXPECT_EQ(p.store.commits, 0);
  }
}

TEST(SettingsFile, ExtraModeMarkDecidesB48AndLine) {
  Program off;
  off.file.LoadSettings();
  off.file.SaveSettings({}, "the line");
  EXPECT_EQ(off.Stored("b48"), "<absent>");
  EXPECT_EQ(off.Stored("s00"), "<absent>");

  Program toggled;
  toggled.file.LoadSettings();
  toggled.settings.ToggleExtra();
  toggled.settings.ToggleExtra();
  toggled.file.SaveSettings({}, " the line ");
  EXPECT_EQ(toggled.Stored("b48"), "0");
  EXPECT_EQ(toggled.Stored("s00"), "\" the line \"");

  // A load with the mode off clears the mark again.
  toggled.file.LoadSettings();
  EXPECT_FALSE(toggled.settings.ExtraModeMark());
}

TEST(SettingsFile, ReloadThrowsAwayEdits) {
  Program p;
  p.store.content = "[Quillenta]\ni01=3\ni02=0\ns50=\"kept\"\n";
  p.file.LoadSettings();
  p.editor.Click(7);
  p.settings.SetText(TextKey::s50, "edited");
  p.settings.SetFlag(FlagKey::b52, false);
  p.file.LoadSettings();
  EXPECT_EQ(p.sequence.Slot(1), 3);
  EXPECT_EQ(p.sequence.Slot(2), 0);
  EXPECT_EQ(p.editor.Label(7), "7");
  EXPECT_EQ(p.settings.Text(TextKey::s50), "kept");
  EXPECT_TRUE(p.settings.Flag(FlagKey::b52));
}

TEST(SettingsFile, ConnectionTotalsAre64Bit) {
  Program p;
  p.store.content = "[Quillenta]\ni30=864000\ni31=5000000000\ni33=0x100000000\n";
  PersistedTotals totals = p.file.ReadConnectionTotals();
  EXPECT_EQ(totals.tenths, 864000);
  EXPECT_EQ(totals.received, 5000000000);
  EXPECT_EQ(totals.sent, 4294967296);

  p.file.WriteConnectionTotals(" line \"x\" ", {9000000000, 8000000000, 7000000000});
  EXPECT_EQ(p.store.commits, 1);
  EXPECT_EQ(p.Stored("s00"), "line \"x\"");  // unquoted, so the blanks do not survive
  EXPECT_EQ(p.Stored("i30"), "9000000000");
  totals = p.file.ReadConnectionTotals();
  EXPECT_EQ(totals.tenths, 9000000000);
  EXPECT_EQ(totals.received, 8000000000);
  EXPECT_EQ(totals.sent, 7000000000);

  p.store.content = "[Quillenta]\ni30=1x\ni31=99999999999999999999\n";
  totals = p.file.ReadConnectionTotals();
  EXPECT_EQ(totals.tenths, 0);
  EXPECT_EQ(totals.received, 0);
}

TEST(SettingsFile, SaveKeepsForeignContent) {
  Program p;
  const std::string foreign = "; written by hand\r\n[Other]\r\ni01=77\r\n\r\n";
  p.store.content = foreign + "[Quillenta]\r\nmine=1\r\ni01=2\r\n";
  p.file.LoadSettings();
  p.file.SaveSettings({}, "");
  const std::string& saved = *p.store.content;
  EXPECT_EQ(saved.substr(0, foreign.size()), foreign);
  EXPECT_NE(saved.find("[Quillenta]\r\nmine=1\r\ni01=2\r\ni02=2\r\n"), std::string::npos);
}

TEST(SettingsFile, FailuresRaiseOnceAndKeepTheFile) {
  Program p;
  p.store.content = "[Quillenta]\n";
  p.file.LoadSettings();
  p.store.fail_commit = true;
  EXPECT_THROW(p.file.SaveSettings({}, ""), Error);
  EXPECT_THROW(p.file.WriteConnectionTotals("", {}), Error);
  EXPECT_EQ(p.store.commits, 2);
  EXPECT_EQ(*p.store.content, "[Quillenta]\n");

  // A file that cannot be read is not replaced by one built from nothing.
  Program q;
  q.store.content = "precious";
  q.store.unreadable = true;
  q.file.LoadSettings();
  EXPECT_EQ(q.settings.Text(TextKey::s53), "/");
  try {
    q.file.SaveSettings({}, "");
    ADD_FAILURE() << "no error";
  } catch (const Error& error) {
    EXPECT_EQ(std::string(error.what()), q.store.Path() + " に書き込めません");
  }
  EXPECT_EQ(q.store.commits, 0);
}

// A new file gets the system's line ends (CRLF on Windows, as the profile API writes); a file
// read keeps its own, and one with none of its own takes the system's.
TEST(SettingsFile, NewFilesTakeTheSystemsLineEnds) {
  struct Case {
    const char* name;
    const char* system;
    std::optional<std::string> before;
    const char* expected;
  } cases[] = {
      {"new file on Windows", "\r\n", std::nullopt, "\r\n"},
      {"new file on Linux", "\n", std::nullopt, "\n"},
      {"LF file on Windows", "\r\n", "[Quillenta]\ni01=1\n", "\n"},
      {"CRLF file on Linux", "\n", "[Quillenta]\r\ni01=1\r\n", "\r\n"},
      {"empty file on Windows", "\r\n", "", "\r\n"},
  };
  for (const Case& c : cases) {
    Program p;
    p.store.new_line = c.system;
    p.store.content = c.before;
    p.file.LoadSettings();
    p.file.SaveSettings({}, "");
    const std::string& saved = *p.store.content;
    std::size_t lines = 0;
    for (std::size_t at = 0; (at = saved.find('\n', at)) != std::string::npos; ++at, ++lines) {
      const bool crlf = at > 0 && saved[at - 1] == '\r';
      ASSERT_EQ(crlf ? "\r\n" : "\n", std::string(c.expected)) << c.name << " line " << lines;
    }
    EXPECT_GT(lines, 50u) << c.name;
    EXPECT_EQ(ProfileDocument(saved).StoredValue("Quillenta", "i01"), "1") << c.name;
  }
}

// Another program holds the file for the moment: the save says so, and writes nothing.
TEST(SettingsFile, FileHeldForTheMomentIsItsOwnError) {
  Program p;
  p.store.content = "[Quillenta]\r\ni01=1\r\n";
  p.file.LoadSettings();
  p.store.held = true;
  EXPECT_THROW(p.file.SaveSettings({}, ""), FileHeldError);
  EXPECT_THROW(p.file.WriteConnectionTotals("", {}), FileHeldError);
  EXPECT_EQ(p.store.commits, 0);
  p.store.held = false;
  p.file.SaveSettings({}, "");
  EXPECT_EQ(p.store.commits, 1);
}

}  // namespace
}  // namespace quillenta
