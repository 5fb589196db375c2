// One instance per display: the lock's name follows the display, not its spelling.
#include "platform/linux/instance_guard_linux.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace quillenta {
namespace {

TEST(InstanceGuard, OneKeyPerDisplayHoweverItIsSpelled) {
  const struct {
    const char* display;
    const char* key;
  } cases[] = {
      {":0", "0"},
      {":0.0", "0"},
      {":0.1", "0"},
      {"unix:0", "0"},
      {"unix:0.0", "0"},
      {":12", "12"},
      {"remote.example:10.0", "remote.example-10"},
      {"remote.example:10", "remote.example-10"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(LinuxInstanceGuard::DisplayKey(c.display), c.key) << c.display;
  }
  // Other displays, other locks.
  EXPECT_NE(LinuxInstanceGuard::DisplayKey(":1"), LinuxInstanceGuard::DisplayKey(":10"));
  EXPECT_NE(LinuxInstanceGuard::DisplayKey("remote.example:0"), LinuxInstanceGuard::DisplayKey(":0"));
}

TEST(InstanceGuard, SpellingsOfOneDisplayShareTheLock) {
  char folder[] = "/tmp/quillenta-guard.XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  setenv("XDG_RUNTIME_DIR", folder, 1);
  LinuxInstanceGuard first(LinuxInstanceGuard::DefaultLockPath(":7"));
  ASSERT_TRUE(first.Acquire());
  for (const char* other : {":7.0", "unix:7", "unix:7.1"}) {
    LinuxInstanceGuard second(LinuxInstanceGuard::DefaultLockPath(other));
    EXPECT_FALSE(second.Acquire()) << other;
  }
  LinuxInstanceGuard elsewhere(LinuxInstanceGuard::DefaultLockPath(":8"));
  EXPECT_TRUE(elsewhere.Acquire());
  unsetenv("XDG_RUNTIME_DIR");
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace quillenta
