#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/linux/spawn_launcher.h"

namespace quillenta {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

bool WaitFor(const std::function<bool()>& done, std::chrono::seconds limit = 10s) {
  auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(20ms);
  }
  return true;
}

class LauncherTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "launcher-XXXXXX").string();
    dir_ = mkdtemp(pattern.data());
    old_cwd_ = fs::current_path();
    // A shell that misread a path would run its $(...) here.
    fs::current_path(dir_);
  }
  void TearDown() override {
    fs::current_path(old_cwd_);
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }
  fs::path Script(const fs::path& path, const std::string& body) {
    fs::create_directories(path.parent_path());
    std::ofstream(path) << "#!/bin/sh\n" << body;
    fs::permissions(path, fs::perms::owner_all);
    return path;
  }
  void ReapAll(SpawnLauncher& launcher) {
    EXPECT_TRUE(WaitFor([&] {
      launcher.ReapChildren();
      return launcher.PendingChildren() == 0;
    }));
    // Nothing left behind as a zombie.
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
  }

  fs::path dir_;
  fs::path old_cwd_;
};

TEST_F(LauncherTest, PathWithShellSyntaxRunsOnceWithoutShellOrWaiting) {
  fs::path mark = dir_ / "mark";
  fs::path finished = dir_ / "finished";
  fs::path script = Script(dir_ / "x y;z '\"$(touch pwned)`touch pwned2`" / "run me.sh",
                           "printf '%s|%s\\n' \"$0\" \"$#\" >> '" + mark.string() +
                               "'\nsleep 1\ntouch '" + finished.string() + "'\n");
  SpawnLauncher launcher;
  launcher.Open(script.string());
  // Open returned while the script is still in its sleep.
  EXPECT_FALSE(fs::exists(finished));
  EXPECT_EQ(launcher.PendingChildren(), 1u);

  ASSERT_TRUE(WaitFor([&] { return fs::exists(finished); }));
  EXPECT_EQ(ReadAll(mark), script.string() + "|0\n");
  EXPECT_FALSE(fs::exists(dir_ / "pwned"));
  EXPECT_FALSE(fs::exists(dir_ / "pwned2"));
  ReapAll(launcher);
}

TEST_F(LauncherTest, DocumentsGoToTheOpenerAsOneArgument) {
  fs::path args = dir_ / "args";
  fs::path opener =
      Script(dir_ / "opener", "printf '%s|%s\\n' \"$#\" \"$1\" >> '" + args.string() + "'\n");
  fs::path document = dir_ / "a doc; $(touch pwned).txt";
  std::ofstream(document) << "text";
  SpawnLauncher launcher(opener.string());
  launcher.Open(document.string());
  launcher.Open("https://example.com/a b");
  launcher.Open(dir_.string());  // a folder is opened, not run
  launcher.Open("");

  ASSERT_TRUE(WaitFor([&] {
    std::string text = ReadAll(args);
    return std::count(text.begin(), text.end(), '\n') == 3;
  }));
  std::string text = ReadAll(args);
  EXPECT_NE(text.find("1|" + document.string() + "\n"), std::string::npos) << text;
  EXPECT_NE(text.find("1|https://example.com/a b\n"), std::string::npos) << text;
  EXPECT_NE(text.find("1|" + dir_.string() + "\n"), std::string::npos) << text;
  EXPECT_FALSE(fs::exists(dir_ / "pwned"));
  ReapAll(launcher);
}

TEST_F(LauncherTest, BareNameIsFoundOnPath) {
  fs::path mark = dir_ / "mark";
  Script(dir_ / "bin" / "quillenta-test-tool", "touch '" + mark.string() + "'\n");
  std::string old_path = std::getenv("PATH");
  setenv("PATH", ((dir_ / "bin").string() + ":" + old_path).c_str(), 1);
  SpawnLauncher launcher(dir_ / "no-opener");
  launcher.Open("quillenta-test-tool");
  setenv("PATH", old_path.c_str(), 1);
  EXPECT_TRUE(WaitFor([&] { return fs::exists(mark); }));
  ReapAll(launcher);
}

TEST_F(LauncherTest, MissingProgramFailsQuietly) {
  SpawnLauncher launcher(dir_ / "no-opener");
  launcher.Open((dir_ / "missing program").string());
  launcher.ReapChildren();
  EXPECT_EQ(launcher.PendingChildren(), 0u);
}

}  // namespace
}  // namespace quillenta
