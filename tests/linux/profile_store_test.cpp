#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/linux/profile_store_linux.h"
#include "program/settings_location.h"
#include "settings/order_editor.h"
#include "settings/profile_document.h"
#include "settings/settings_file.h"
#include "text/cp932.h"

namespace quillenta {
namespace {

using namespace std::string_literals;

class TempDir {
 public:
  TempDir() {
    char pattern[] = "/tmp/quillenta-profile-XXXXXX";
    path_ = ::mkdtemp(pattern);
  }
  ~TempDir() {
    std::string command = "chattr -R -i '" + path_ + "' 2>/dev/null; rm -rf '" + path_ + "'";
    if (std::system(command.c_str()) != 0) {
    }
  }
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream buffer;
  buffer << in.rdbuf();
  return buffer.str();
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

std::vector<std::string> Entries(const std::string& dir) {
  std::vector<std::string> names;
  if (DIR* d = ::opendir(dir.c_str())) {
    while (dirent* e = ::readdir(d)) {
      std::string name = e->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(d);
  }
  return names;
}

bool Chattr(const std::string& flag, const std::string& path) {
  std::string command = "chattr " + flag + " '" + path + "' 2>/dev/null";
  return std::system(command.c_str()) == 0;
}

mode_t ModeOf(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

TEST(LinuxProfileStore, MissingAndUnreadable) {
  TempDir dir;
  std::string text = "x";
  EXPECT_EQ(LinuxProfileStore(dir / "none.INI").Load(text), ProfileStore::LoadResult::kMissing);
  EXPECT_EQ(text, "");
  EXPECT_EQ(LinuxProfileStore(dir.path()).Load(text), ProfileStore::LoadResult::kUnreadable);
}

TEST(LinuxProfileStore, DecodesCodePage932Files) {
  struct Case {
    std::string bytes;
    std::string text;
  };
  const Case cases[] = {
      {"s95=\"\x8E\xF3:\"\r\n", "s95=\"受:\"\r\n"},
      {"s84=\"\xDF\"", "s84=\"ﾟ\""},
      {"a\\b~", "a\\b~"},                    // plain ASCII stays
      {"受:ﾟ", "受:ﾟ"},                      // valid UTF-8 stays UTF-8
      {"\x8E\xF3\x80x", "受\xEF\xBF\xBDx"},  // a byte that is no code page 932
      {"x\0\xDF"s, "x\0ﾟ"s},                 // NUL is data
      {"ok\x82", "ok\xEF\xBF\xBD"},          // a lead byte cut off at the end
      {"\xEF\xBB\xBF\x8E\xF3", "\xEF\xBF\xBD\xEF\xBD\xBB\xEF\xBD\xBF受"},  // BOM then CP932
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReadableProfileText(DecodeProfileBytes(c.bytes)), c.text) << c.bytes;
  }
}

// The program's settings over a real file.
struct FileProgram {
  explicit FileProgram(const std::string& path) : store(path) {}
  LinuxProfileStore store;
  Settings settings;
  ItemSequence sequence;
  OrderEditor editor{sequence};
  SettingsFile file{store, settings, editor};
};

TEST(LinuxProfileStore, WindowsFileLoadsAndSavesInItsCodePage) {
  TempDir dir;
  const std::string path = dir / "quillenta.INI";
  WriteBytes(path, "[Quillenta]\r\ns95=\"\x91\x97:\"\r\ns84=\"\xDF\"\r\n; \x83\x81\x83\x82\r\n");
  FileProgram program(path);
  program.file.LoadSettings();
  EXPECT_EQ(program.settings.Text(TextKey::s95), "送:");
  EXPECT_EQ(program.settings.Text(TextKey::s84), "ﾟ");
  // Written back in code page 932, so the Windows program can still read it.
  program.file.SaveSettings({}, "");
  std::string saved = ReadBytes(path);
  EXPECT_NE(saved.find("s95=\"\x91\x97:\"\r\n"), std::string::npos);
  EXPECT_NE(saved.find("; \x83\x81\x83\x82\r\n"), std::string::npos);
  // A character code page 932 lacks: the whole file becomes UTF-8, and stays so.
  program.settings.SetText(TextKey::s50, "한");
  program.file.SaveSettings({}, "");
  saved = ReadBytes(path);
  EXPECT_NE(saved.find("s95=\"送:\"\r\n"), std::string::npos);
  EXPECT_NE(saved.find("s50=\"한\"\r\n"), std::string::npos);
  EXPECT_NE(saved.find("; メモ\r\n"), std::string::npos);
  program.settings.SetText(TextKey::s50, "");
  program.file.SaveSettings({}, "");
  EXPECT_NE(ReadBytes(path).find("s95=\"送:\"\r\n"), std::string::npos);
}

TEST(LinuxProfileStore, WindowsTextOf1000BytesLoadsAndSavesWhole) {
  TempDir dir;
  const std::string path = dir / "quillenta.INI";
  std::string kanji_500, kanji_600;  // "漢" is 8A BF in code page 932
  for (int i = 0; i < 500; ++i) kanji_500 += "\x8A\xBF";
  kanji_600 = kanji_500;
  for (int i = 0; i < 100; ++i) kanji_600 += "\x8A\xBF";
  WriteBytes(path, "[Quillenta]\r\ns50=\"" + kanji_500 + "\"\r\ns51=\"" + kanji_600 + "\"\r\n");
  std::string expected_500, expected_511;
  for (int i = 0; i < 500; ++i) expected_500 += "漢";
  expected_511 = expected_500;
  for (int i = 0; i < 11; ++i) expected_511 += "漢";
  FileProgram program(path);
  program.file.LoadSettings();
  EXPECT_EQ(program.settings.Text(TextKey::s50), expected_500);
  EXPECT_EQ(program.settings.Text(TextKey::s51), expected_511);
  // Saved and read again by the next start: still whole.
  program.file.SaveSettings({}, "");
  FileProgram next(path);
  next.file.LoadSettings();
  EXPECT_TRUE(next.store.LoadedCodePage932());
  EXPECT_EQ(next.settings.Text(TextKey::s50), expected_500);
  EXPECT_EQ(next.settings.Text(TextKey::s51), expected_511);
  // Read as a UTF-8 file, the measure is UTF-8 again.
  WriteBytes(path, "[Quillenta]\ns50=a\n");
  next.file.LoadSettings();
  EXPECT_FALSE(next.store.LoadedCodePage932());
}

TEST(LinuxProfileStore, CommitCreatesFoldersAndKeepsMode) {
  TempDir dir;
  const std::string path = dir / "config/quillenta/quillenta.INI";
  LinuxProfileStore store(path);
  store.Commit("one");
  EXPECT_EQ(ReadBytes(path), "one");
  mode_t mask = ::umask(0);
  ::umask(mask);
  EXPECT_EQ(ModeOf(path), 0666 & ~mask);

  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
  store.Commit("two");
  EXPECT_EQ(ReadBytes(path), "two");
  EXPECT_EQ(ModeOf(path), 0640u);
  EXPECT_EQ(Entries(dir / "config/quillenta"), std::vector<std::string>{"quillenta.INI"});
}

TEST(LinuxProfileStore, CommitWritesThroughSymlinks) {
  TempDir dir;
  ASSERT_EQ(::mkdir((dir / "real").c_str(), 0755), 0);
  WriteBytes(dir / "real/target.INI", "old");
  ASSERT_EQ(::symlink("real/target.INI", (dir / "middle").c_str()), 0);
  ASSERT_EQ(::symlink((dir / "middle").c_str(), (dir / "quillenta.INI").c_str()), 0);
  LinuxProfileStore store(dir / "quillenta.INI");
  store.Commit("new");
  struct stat st;
  ASSERT_EQ(::lstat((dir / "quillenta.INI").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(ReadBytes(dir / "real/target.INI"), "new");

  // A dangling link gets its target created.
  ASSERT_EQ(::symlink("real/later.INI", (dir / "dangling").c_str()), 0);
  LinuxProfileStore(dir / "dangling").Commit("created");
  EXPECT_EQ(ReadBytes(dir / "real/later.INI"), "created");
}

// Saves settings that differ from the defaults, for the fault tests.
struct SaveRig {
  explicit SaveRig(const std::string& path) : store(path), editor(sequence) { file.LoadSettings(); }
  LinuxProfileStore store;
  Settings settings;
  ItemSequence sequence;
  OrderEditor editor;
  SettingsFile file{store, settings, editor};
};

TEST(LinuxProfileStore, ReadOnlyFileRaisesOnceAndStaysWhole) {
  TempDir dir;
  const std::string path = dir / "quillenta.INI";
  const std::string before = "; mine\n[Quillenta]\ns50=\"keep\"\n";
  WriteBytes(path, before);
  if (!Chattr("+i", path)) GTEST_SKIP() << "chattr +i is not available here";
  SaveRig rig(path);
  rig.settings.SetText(TextKey::s50, "changed");
  int errors = 0;
  try {
    rig.file.SaveSettings({}, "line");
  } catch (const Error& error) {
    ++errors;
    EXPECT_EQ(std::string(error.what()), path + " に書き込めません");
  }
  EXPECT_EQ(errors, 1);
  EXPECT_THROW(rig.file.WriteConnectionTotals("line", {1, 2, 3}), Error);
  Chattr("-i", path);
  EXPECT_EQ(ReadBytes(path), before);
  EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"quillenta.INI"});
}

// Not a file in the settings file's place: the defaults at once, a save refused, it stays.
TEST(LinuxProfileStore, NonRegularFileReadsAsUnreadable) {
  for (const char* kind : {"fifo", "socket", "/dev/zero"}) {
    TempDir dir;
    const std::string path = dir / "quillenta.INI";
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{AF_UNIX, {}};
    path.copy(address.sun_path, sizeof address.sun_path - 1);
    ASSERT_EQ(kind[0] == 'f'   ? ::mkfifo(path.c_str(), 0600)
              : kind[0] == 's' ? ::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address)
                               : ::symlink(kind, path.c_str()),
              0);
    ::alarm(10);  // a blocking open ends the test here
    FileProgram program(path);
    program.settings.SetText(TextKey::s66, "edited");
    program.file.LoadSettings();
    EXPECT_EQ(program.settings.Text(TextKey::s66), "M:") << kind;
    EXPECT_THROW(program.file.SaveSettings({}, "line"), Error) << kind;
    ::alarm(0);
    struct stat st;
    EXPECT_TRUE(::lstat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) << kind;
    EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"quillenta.INI"}) << kind;
    ::close(sock);
  }
}

// Neither UTF-8 nor clean code page 932: every line the save leaves alone keeps its bytes.
TEST(LinuxProfileStore, SaveKeepsBytesNoEncodingAccountsFor) {
  std::mt19937 random(932);
  std::string noise(1 << 20, '\0');
  for (char& b : noise) b = static_cast<char>(random());
  const struct {
    std::string before, after, s66;  // around the program's section; s66 as saved
    bool keeps_bytes;
  } cases[] = {
      {noise + "\n", "[O]\n" + noise, "\x8A\xBF:", true},                        // random bytes
      {"; \x8A\xBF\x80\xFF\x81\n", "[O]\nk=\xED\x40\xA0\n", "\x8A\xBF:", true},  // damaged
      {"; \x8A\xBF\n", "[O]\nk=\x91\x97:\n", "\x8A\xBF:", false},                // Windows'
      {"; 漢\n", "[O]\nk=送:\n", "漢:", false},                                  // UTF-8
  };
  for (const auto& c : cases) {
    TempDir dir;
    const std::string path = dir / "quillenta.INI";
    WriteBytes(path, c.before + "[Quillenta]\n" + c.after);
    FileProgram program(path);
    program.file.LoadSettings();
    program.settings.SetText(TextKey::s66, "漢:");
    program.file.SaveSettings({}, "");
    const std::string saved = ReadBytes(path);
    // Truths: a megabyte of noise in a failure message helps no one.
    EXPECT_TRUE(saved.starts_with(c.before) && saved.ends_with(c.after)) << c.s66;
    EXPECT_NE(saved.find("s66=\"" + c.s66 + "\""), std::string::npos) << c.s66;
    // A text code page 932 lacks cannot stand beside kept bytes: refused, the file as it was.
    program.settings.SetText(TextKey::s50, "한");
    if (c.keeps_bytes) {
      EXPECT_THROW(program.file.SaveSettings({}, ""), Error);
      EXPECT_TRUE(ReadBytes(path) == saved);
    }
  }
}

TEST(LinuxProfileStore, ReadOnlyFolderRaises) {
  TempDir dir;
  ASSERT_EQ(::mkdir((dir / "locked").c_str(), 0755), 0);
  const std::string path = dir / "locked/quillenta.INI";
  WriteBytes(path, "[Quillenta]\n");
  if (!Chattr("+i", dir / "locked")) GTEST_SKIP() << "chattr +i is not available here";
  SaveRig rig(path);
  EXPECT_THROW(rig.file.SaveSettings({}, ""), Error);
  EXPECT_THROW(LinuxProfileStore(dir / "locked/new.INI").Commit("x"), Error);
  Chattr("-i", dir / "locked");
  EXPECT_EQ(ReadBytes(path), "[Quillenta]\n");
  EXPECT_EQ(Entries(dir / "locked"), std::vector<std::string>{"quillenta.INI"});
}

// Runs `body` in a child process and gives its wait status.
template <typename Body>
int InChild(Body body) {
  pid_t pid = ::fork();
  if (pid == 0) {
    body();
    ::_exit(0);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return status;
}

TEST(LinuxProfileStore, FullDiskLeavesOldFile) {
  TempDir dir;
  const std::string path = dir / "quillenta.INI";
  const std::string before = "[Quillenta]\ns50=\"old\"\n";
  WriteBytes(path, before);
  // A file-size limit makes the write fail as a full disk would.
  int status = InChild([&] {
    ::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{1024, 1024};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    SaveRig rig(path);
    rig.settings.SetText(TextKey::s50, std::string(4000, 'x'));
    try {
      rig.file.SaveSettings({}, "");
    } catch (const Error&) {
      ::_exit(3);
    }
  });
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 3);
  EXPECT_EQ(ReadBytes(path), before);
  EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"quillenta.INI"});
}

TEST(LinuxProfileStore, KilledAtAnyStepLeavesOldOrNew) {
  TempDir dir;
  const std::string path = dir / "quillenta.INI";
  // Large enough to take several write calls, so that the kill also lands mid-write.
  const std::string before =
      "; kept\n[Quillenta]\ns50=\"old\"\npad=" + std::string(300000, 'o') + "\n";
  auto save = [&](int kill_after) {
    SaveRig rig(path);
    rig.store.on_commit_step = [&](int step) {
      if (step == kill_after) ::raise(SIGKILL);
    };
    rig.settings.SetText(TextKey::s50, "new");
    rig.editor.Click(2);
    rig.file.SaveSettings({864000, 5000000000, 7}, "line");
  };

  WriteBytes(path, before);
  ASSERT_EQ(InChild([&] { save(-1); }), 0);
  const std::string after = ReadBytes(path);
  ASSERT_NE(after, before);

  int kills = 0, old_seen = 0, new_seen = 0;
  for (int step = 1; step < 100; ++step) {
    WriteBytes(path, before);
    int status = InChild([&] { save(step); });
    const std::string now = ReadBytes(path);
    EXPECT_TRUE(now == before || now == after) << "torn file after step " << step;
    (now == before ? old_seen : new_seen)++;
    if (WIFEXITED(status)) {
      EXPECT_EQ(WEXITSTATUS(status), 0);
      EXPECT_EQ(now, after);
      break;
    }
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    ++kills;
  }
  EXPECT_GE(kills, 6);  // checks, temp file, several chunks, flush, rename, folder flush
  EXPECT_GE(old_seen, 3);
  EXPECT_GE(new_seen, 2);
  ProfileDocument document(ReadBytes(path));
  EXPECT_EQ(document.ReadString("Quillenta", "s50", ""), "new");
  EXPECT_EQ(document.ReadString("Quillenta", "i31", ""), "5000000000");
}

struct LocateCase {
  const char* name;
  bool file_beside;
  bool folder_writable;
  const char* xdg;       // relative to the temp dir; "" for unset, "rel" for a relative value
  const char* expected;  // relative to the temp dir
};

TEST(IniPathFor, BesideTheExecutable) {
  const std::pair<const char*, const char*> cases[] = {
      {"/path/quillenta", "/path/quillenta.INI"}, {"/path/quillenta.exe", "/path/quillenta.INI"},
      {"/opt/q.tar.gz", "/opt/q.tar.INI"},        {"/a.b/quillenta", "/a.b/quillenta.INI"},
      {"/p/.hidden", "/p/.hidden.INI"},           {"quillenta", "quillenta.INI"},
  };
  for (const auto& [exe, ini] : cases) EXPECT_EQ(IniPathFor(exe), ini) << exe;
}

std::string LocateSettingsFile(const std::string& exe, const std::string& xdg,
                               const std::string& home) {
  return ChooseSettingsFile(LinuxSettingsPlaces(exe, xdg, home));
}

TEST(LocateSettingsFile, BesideOrConfigFolder) {
  const LocateCase cases[] = {
      {"writable_folder", false, true, "/xdg", "/bin/quillenta.INI"},
      {"file_already_there", true, false, "/xdg", "/bin/quillenta.INI"},
      {"installed", false, false, "/xdg", "/xdg/quillenta/quillenta.INI"},
      {"xdg_unset", false, false, "", "/home/.config/quillenta/quillenta.INI"},
      {"xdg_relative", false, false, "rel", "/home/.config/quillenta/quillenta.INI"},
  };
  for (const LocateCase& c : cases) {
    TempDir dir;
    ASSERT_EQ(::mkdir((dir / "bin").c_str(), 0755), 0);
    if (c.file_beside) WriteBytes(dir / "bin/quillenta.INI", "");
    if (!c.folder_writable && !Chattr("+i", dir / "bin")) GTEST_SKIP() << "no chattr";
    std::string xdg = c.xdg;
    if (!xdg.empty() && xdg.front() == '/') xdg = dir.path() + xdg;
    EXPECT_EQ(LocateSettingsFile(dir / "bin/quillenta", xdg, dir / "home"), dir.path() + c.expected)
        << c.name;
    Chattr("-i", dir / "bin");
  }
  // Installed by the package: root may write /usr/bin, but the settings go to the config
  // folder; a file already beside it is still the one.
  if (::access("/usr/bin", W_OK) == 0 && ::access("/usr/bin/quillenta.INI", F_OK) != 0) {
    EXPECT_EQ(LocateSettingsFile("/usr/bin/quillenta", "/xdg", "/home"),
              "/xdg/quillenta/quillenta.INI");
  }
  EXPECT_EQ(LocateSettingsFile("/usr/local/bin/quillenta", "", "/root"),
            "/root/.config/quillenta/quillenta.INI");
}

}  // namespace
}  // namespace quillenta
