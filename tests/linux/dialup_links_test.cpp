#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

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

// What NetworkManager would say, set by the test.
class FakeMetered : public MeteredInterfaces {
 public:
  void Set(std::vector<std::string> names) {
    names_ = std::move(names);
    ++version_;
  }
  bool TakeIfChanged(std::uint64_t* version, std::vector<std::string>* names) override {
    if (*version == version_) return false;
    *names = names_;
    *version = version_;
    return true;
  }

 private:
  std::vector<std::string> names_;
  std::uint64_t version_ = 0;
};

void SetCounters(SysTree& sys, const std::string& name, std::int64_t rx, std::int64_t tx) {
  SysTree::Write(sys.Net() / name / "statistics/rx_bytes", std::to_string(rx));
  SysTree::Write(sys.Net() / name / "statistics/tx_bytes", std::to_string(tx));
}

TEST(DialupLinksLinux, PreparedTrees) {
  SysTree sys;
  DialupLinksLinux links(sys.Root());
  auto counters = [&] { return links.ReadByteCounters().value_or(LinkCounters{-1, -1}); };

  sys.AddLink("lo", 772, "unknown", "0x9", 500, 500);
  sys.AddLink("eth0", 1, "up", "0x1003", 9000, 9000);
  EXPECT_EQ(links.CountConnections(), 0);
  EXPECT_EQ(counters().received, 0);
  EXPECT_EQ(counters().sent, 0);

  // pppd's interfaces report "unknown"; IFF_UP decides. What the link carried before it
  // was counted is not traffic of the connection.
  sys.AddLink("ppp0", 512, "unknown", "0x10d1", 20000, 3000);
  EXPECT_EQ(links.CountConnections(), 1);
  EXPECT_EQ(counters().received, 0);
  SetCounters(sys, "ppp0", 21000, 3300);
  EXPECT_EQ(counters().received, 1000);
  EXPECT_EQ(counters().sent, 300);

  sys.AddLink("ppp1", 512, "unknown", "0x1090", 111, 222);  // configured, not up
  sys.AddLink("ppp2", 512, "down", "0x1091", 333, 444);
  EXPECT_EQ(links.CountConnections(), 1);

  // A modem's data interface is Ethernet-typed; its uevent says what it is.
  sys.AddLink("wwan0", 1, "up", "0x1003", INT64_C(5000000000), 7, "wwan");
  sys.AddLink("wlan0", 1, "up", "0x1003", 1, 1, "wlan");
  EXPECT_EQ(links.CountConnections(), 2);
  EXPECT_EQ(counters().received, 1000);
  SetCounters(sys, "wwan0", INT64_C(5000000500), 17);
  SetCounters(sys, "wlan0", 99999, 99999);
  EXPECT_EQ(counters().received, 1500);
  EXPECT_EQ(counters().sent, 310);

  // One of two links leaving takes nothing away.
  sys.Remove("ppp0");
  EXPECT_EQ(links.CountConnections(), 1);
  EXPECT_EQ(counters().received, 1500);
  sys.Remove("wwan0");
  EXPECT_EQ(links.CountConnections(), 0);
  EXPECT_EQ(counters().received, 1500);
  EXPECT_EQ(counters().sent, 310);

  // The same name on a new node, counters at 0: no jump either way.
  sys.AddLink("ppp0", 512, "up", "0x10d1", 0, 0);
  EXPECT_EQ(counters().received, 1500);
  SetCounters(sys, "ppp0", 40, 4);
  EXPECT_EQ(counters().received, 1540);
  EXPECT_EQ(counters().sent, 314);
}

TEST(DialupLinksLinux, MeteredInterfacesCountBeside) {
  SysTree sys;
  auto owned = std::make_unique<FakeMetered>();
  FakeMetered& metered = *owned;
  DialupLinksLinux links(sys.Root(), std::move(owned));
  auto counters = [&] { return links.ReadByteCounters().value_or(LinkCounters{-1, -1}); };

  const std::int64_t kTwoGb = INT64_C(2) << 30;
  sys.AddLink("wlan0", 1, "up", "0x1003", kTwoGb, kTwoGb, "wlan");
  sys.AddLink("eth1", 1, "down", "0x1002", 10, 10);
  sys.AddLink("wwan0", 1, "up", "0x1003", 70, 7, "wwan");
  EXPECT_EQ(links.CountConnections(), 1);
  EXPECT_EQ(counters().received, 0);

  // wwan0 named again counts once; a name with no interface counts not at all.
  metered.Set({"wlan0", "wwan0", "usb9"});
  EXPECT_EQ(links.CountConnections(), 2);
  EXPECT_EQ(counters().received, 0);
  SetCounters(sys, "wlan0", kTwoGb + 100, kTwoGb + 10);
  SetCounters(sys, "wwan0", 71, 8);
  EXPECT_EQ(counters().received, 101);
  EXPECT_EQ(counters().sent, 11);

  // A metered interface counts while the source names it, whatever its operstate says.
  metered.Set({"wlan0", "eth1"});
  EXPECT_EQ(links.CountConnections(), 3);
  metered.Set({});
  EXPECT_EQ(links.CountConnections(), 1);
  SetCounters(sys, "wlan0", kTwoGb + 5000, kTwoGb + 5000);
  EXPECT_EQ(counters().received, 101);

  // Back among the metered: measured from where it stands now.
  metered.Set({"wlan0"});
  EXPECT_EQ(counters().received, 101);
  SetCounters(sys, "wlan0", kTwoGb + 5001, kTwoGb + 5000);
  EXPECT_EQ(counters().received, 102);
  EXPECT_EQ(counters().sent, 11);
}

TEST(DialupLinksLinux, MissingOrDamagedFiles) {
  SysTree sys;
  DialupLinksLinux links(sys.Root());
  sys.AddLink("ppp0", 512, "up", "0x10d1", 10, 20);
  // A link whose counters vanished mid-scan is simply not counted.
  fs::remove(sys.Net() / "ppp0/statistics/tx_bytes");
  EXPECT_EQ(links.ReadByteCounters()->received, 0);

  SysTree::Write(sys.Net() / "ppp0/statistics/tx_bytes", "20");
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
