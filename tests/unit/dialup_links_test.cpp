#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/linux/dialup_links_linux.h"

namespace quillenta {
namespace {

namespace fs = std::filesystem;

// A prepared /sys/class/net in a temporary root.
class SysTree {
 public:
  SysTree() {
    std::string pattern = (fs::temp_directory_path() / "sys-dialup-XXXXXX").string();
    root_ = mkdtemp(pattern.data());
    fs::create_directories(Net());
  }
  ~SysTree() {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }
  const std::string& Root() const { return root_; }
  fs::path Net() const { return fs::path(root_) / "sys/class/net"; }

  void AddLink(const std::string& name, int type, const std::string& operstate,
               const std::string& flags, std::int64_t rx, std::int64_t tx,
               const std::string& devtype = "") {
    fs::path dir = Net() / name;
    fs::create_directories(dir / "statistics");
    Write(dir / "type", std::to_string(type));
    Write(dir / "operstate", operstate);
    Write(dir / "flags", flags);
    std::string uevent = "INTERFACE=" + name + "\nIFINDEX=3\n";
    if (!devtype.empty()) uevent = "DEVTYPE=" + devtype + "\n" + uevent;
    Write(dir / "uevent", uevent);
    Write(dir / "statistics/rx_bytes", std::to_string(rx));
    Write(dir / "statistics/tx_bytes", std::to_string(tx));
  }
  void Remove(const std::string& name) { fs::remove_all(Net() / name); }

  static void Write(const fs::path& path, const std::string& text) {
    std::ofstream(path) << text << "\n";
  }

 private:
  std::string root_;
};

TEST(DialupLinksLinux, PreparedTrees) {
  SysTree sys;
  DialupLinksLinux links(sys.Root());
  auto counters = [&] { return links.ReadByteCounters().value_or(LinkCounters{-1, -1}); };

  sys.AddLink("lo", 772, "unknown", "0x9", 500, 500);
  sys.AddLink("eth0", 1, "up", "0x1003", 9000, 9000);
  EXPECT_EQ(links.CountConnections(), 0);
  EXPECT_EQ(counters().received, 0);
  EXPECT_EQ(counters().sent, 0);

  // pppd's interfaces report "unknown"; IFF_UP decides.
  sys.AddLink("ppp0", 512, "unknown", "0x10d1", 20000, 3000);
  EXPECT_EQ(links.CountConnections(), 1);
  EXPECT_EQ(counters().received, 20000);
  EXPECT_EQ(counters().sent, 3000);

  sys.AddLink("ppp1", 512, "unknown", "0x1090", 111, 222);  // configured, not up
  sys.AddLink("ppp2", 512, "down", "0x1091", 333, 444);
  EXPECT_EQ(links.CountConnections(), 1);

  // A modem's data interface is Ethernet-typed; its uevent says what it is.
  sys.AddLink("wwan0", 1, "up", "0x1003", INT64_C(5000000000), 7, "wwan");
  sys.AddLink("wlan0", 1, "up", "0x1003", 1, 1, "wlan");
  EXPECT_EQ(links.CountConnections(), 2);
  EXPECT_EQ(counters().received, INT64_C(5000020000));
  EXPECT_EQ(counters().sent, 3007);

  sys.Remove("ppp0");
  EXPECT_EQ(links.CountConnections(), 1);
  sys.Remove("wwan0");
  EXPECT_EQ(links.CountConnections(), 0);
  EXPECT_EQ(counters().received, 0);
  EXPECT_EQ(counters().sent, 0);
}

TEST(DialupLinksLinux, MissingOrDamagedFiles) {
  SysTree sys;
  DialupLinksLinux links(sys.Root());
  sys.AddLink("ppp0", 512, "up", "0x10d1", 10, 20);
  // A link whose counters vanished mid-scan is simply not counted.
  fs::remove(sys.Net() / "ppp0/statistics/tx_bytes");
  EXPECT_EQ(links.ReadByteCounters()->received, 0);

  SysTree::Write(sys.Net() / "ppp0/statistics/tx_bytes", "garbage");
  EXPECT_FALSE(links.ReadByteCounters().has_value());

  SysTree::Write(sys.Net() / "ppp0/type", "");
  EXPECT_EQ(links.CountConnections(), 0);

  DialupLinksLinux no_sys(sys.Root() + "/nowhere");
  EXPECT_EQ(no_sys.CountConnections(), 0);
  ASSERT_TRUE(no_sys.ReadByteCounters().has_value());
  EXPECT_EQ(no_sys.ReadByteCounters()->received, 0);
}

}  // namespace
}  // namespace quillenta
