#pragma once
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillenta {

// One message of sway's IPC (i3's): a type and a payload, JSON in both directions.
struct SwayMessage {
  std::uint32_t type = 0;
  std::string payload;
};

namespace sway_ipc {
inline constexpr std::uint32_t kRunCommand = 0;
inline constexpr std::uint32_t kSubscribe = 2;
inline constexpr std::uint32_t kGetTree = 4;
inline constexpr std::uint32_t kGetConfig = 9;
inline constexpr std::uint32_t kEventWorkspace = 0x80000000u;
inline constexpr std::uint32_t kEventWindow = 0x80000003u;

// "i3-ipc", the payload's length and the type, both in the host's byte order, then the payload.
std::string EncodeFrame(std::uint32_t type, std::string_view payload);

// Cuts messages out of the bytes of a stream as they arrive, in pieces of any size.
class FrameReader {
 public:
  void Feed(std::string_view bytes) { buffer_.append(bytes); }
  // The next whole message, if one has arrived. A stream that is not i3-ipc is broken for good.
  std::optional<SwayMessage> Next();
  bool Broken() const { return broken_; }

 private:
  std::string buffer_;
  bool broken_ = false;
};
}  // namespace sway_ipc

// A connection to sway's IPC socket that never waits unless told how long: requests are
// queued and sent as the socket takes them, answers and events taken as they arrive. A
// compositor that hangs leaves requests queued; one that goes away makes the connection lost.
class SwayIpcConnection {
 public:
  explicit SwayIpcConnection(const std::string& socket_path);
  ~SwayIpcConnection();
  SwayIpcConnection(const SwayIpcConnection&) = delete;
  SwayIpcConnection& operator=(const SwayIpcConnection&) = delete;

  bool Lost() const { return fd_ < 0; }
  void Send(std::uint32_t type, std::string_view payload);
  // Everything that has arrived, without waiting.
  std::vector<SwayMessage> Receive();
  // The first message of `type`, waiting at most `timeout_ms` for it; the messages of other
  // types that came before it stay for Receive().
  std::optional<SwayMessage> Await(std::uint32_t type, int timeout_ms);

 private:
  // Sends what the socket takes and reads what came; with `wait_ms` >= 0, first waits up to
  // that long for the socket to be ready.
  void Exchange(int wait_ms);
  void Drop();

  int fd_ = -1;
  std::string outgoing_;
  sway_ipc::FrameReader reader_;
  std::deque<SwayMessage> arrived_;
};

}  // namespace quillenta
