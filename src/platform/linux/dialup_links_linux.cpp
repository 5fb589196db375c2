#include "platform/linux/dialup_links_linux.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace quillenta {

namespace {

constexpr long kArphrdPpp = 512;
constexpr unsigned long kIffUp = 0x1;

// Small attribute files only; sysfs hands out at most a page.
enum class ReadResult { kOk, kMissing, kFailed };

template <typename Entry>
ReadResult ReadAttribute(Entry& link, std::size_t file, const char* leaf, char* buffer,
                         std::size_t size, std::string_view* out) {
  ssize_t n = link.Read(file, leaf, buffer, size);
  if (n < 0) {
    // A device removed between the listing and the read reads as gone.
    return errno == ENOENT || errno == ENOTDIR || errno == ENODEV ? ReadResult::kMissing
                                                                  : ReadResult::kFailed;
  }
  std::string_view text(buffer, static_cast<std::size_t>(n));
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.remove_suffix(1);
  *out = text;
  return ReadResult::kOk;
}

template <typename T>
bool ParseNumber(std::string_view text, T* value, int base = 10) {
  if (base == 16 && text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.remove_prefix(2);
  }
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), *value, base);
  return ec == std::errc() && end == text.data() + text.size();
}

}  // namespace

// Each file is opened on first use, kept per interface, and read anew at every call.
template <typename Visit>
bool DialupLinksLinux::ForEachUpLink(Visit visit) {
  if (metered_ != nullptr) metered_->TakeIfChanged(&metered_version_, &metered_names_);
  return net_.Scan([&](Net::Entry& link) {
    char buffer[64];
    std::string_view text;
    // Whether an interface is a dial-up link is fixed when its node is made: a PPP type, or
    // DEVTYPE=wwan in its uevent. It is read once per node (and at every call outside proc
    // and sysfs, where a file can be rewritten in place).
    if (link.Fact() < 0) {
      ReadResult read = ReadAttribute(link, kType, "type", buffer, sizeof buffer, &text);
      if (read == ReadResult::kMissing) return true;
      long type = 0;
      bool dialup = read == ReadResult::kOk && ParseNumber(text, &type) && type == kArphrdPpp;
      if (!dialup) {
        char uevent[4096];
        read = ReadAttribute(link, kUevent, "uevent", uevent, sizeof uevent, &text);
        if (read == ReadResult::kMissing) return true;
        while (read == ReadResult::kOk && !text.empty() && !dialup) {
          std::size_t eol = text.find('\n');
          dialup = text.substr(0, eol) == "DEVTYPE=wwan";
          if (eol == std::string_view::npos) break;
          text.remove_prefix(eol + 1);
        }
        if (read != ReadResult::kOk) {
          return Metered(link.Name()) ? visit(link) : true;
        }
      }
      link.RememberFact(dialup ? 1 : 0);
      if (!dialup) return Metered(link.Name()) ? visit(link) : true;
    } else if (link.Fact() == 0) {
      return Metered(link.Name()) ? visit(link) : true;
    }
    if (ReadAttribute(link, kOperstate, "operstate", buffer, sizeof buffer, &text) !=
        ReadResult::kOk) {
      return true;
    }
    if (text != "up") {
      unsigned long flags = 0;
      // pppd's interfaces never leave "unknown"; IFF_UP tells.
      if (text != "unknown" ||
          ReadAttribute(link, kFlags, "flags", buffer, sizeof buffer, &text) != ReadResult::kOk ||
          !ParseNumber(text, &flags, 16) || (flags & kIffUp) == 0) {
        return Metered(link.Name()) ? visit(link) : true;
      }
    }
    return visit(link);
  });
}

bool DialupLinksLinux::Metered(const std::string& name) const {
  return std::find(metered_names_.begin(), metered_names_.end(), name) != metered_names_.end();
}

namespace {

// kMissing: the link went away during the scan; it is simply not counted.
template <typename Entry>
ReadResult ReadCounter(Entry& link, std::size_t file, const char* leaf, std::uint64_t* value) {
  char buffer[64];
  std::string_view text;
  ReadResult result = ReadAttribute(link, file, leaf, buffer, sizeof buffer, &text);
  if (result != ReadResult::kOk) return result;
  return ParseNumber(text, value) ? ReadResult::kOk : ReadResult::kFailed;
}

}  // namespace

DialupLinksLinux::DialupLinksLinux(const std::string& root,
                                   std::unique_ptr<MeteredInterfaces> metered)
    : net_(root.empty() || root.back() != '/' ? root + "/sys/class/net" : root + "sys/class/net"),
      metered_(std::move(metered)) {}

int DialupLinksLinux::CountConnections() {
  int count = 0;
  bool ok = ForEachUpLink([&](Net::Entry&) {
    ++count;
    return true;
  });
  return ok ? count : 0;
}

std::optional<LinkCounters> DialupLinksLinux::ReadByteCounters() {
  samples_.clear();
  bool ok = ForEachUpLink([&](Net::Entry& link) {
    std::uint64_t rx = 0;
    std::uint64_t tx = 0;
    ReadResult r = ReadCounter(link, kRxBytes, "statistics/rx_bytes", &rx);
    if (r == ReadResult::kFailed) return false;
    ReadResult t = ReadCounter(link, kTxBytes, "statistics/tx_bytes", &tx);
    if (t == ReadResult::kFailed) return false;
    if (r == ReadResult::kMissing || t == ReadResult::kMissing) return true;
    samples_.push_back(LinkSample{link.Name(), link.Node(), rx, tx});
    return true;
  });
  if (!ok) return std::nullopt;
  return baselines_.Update(samples_);
}

}  // namespace quillenta
