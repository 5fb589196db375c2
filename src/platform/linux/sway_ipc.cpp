#include "platform/linux/sway_ipc.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace quillenta {

namespace {

constexpr char kMagic[] = {'i', '3', '-', 'i', 'p', 'c'};
constexpr std::size_t kHeader = sizeof kMagic + 8;
// No answer of sway comes near this (a tree of thousands of windows is a few MiB); a length
// beyond it means the stream is not what it claims.
constexpr std::uint32_t kMaxPayload = 64u << 20;
// Requests kept for a compositor that does not read them: at five title writes a second,
// hours of them. Past it the compositor counts as gone.
constexpr std::size_t kMaxOutgoing = 1u << 20;

long long NowMs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return now.tv_sec * 1000LL + now.tv_nsec / 1000000;
}

}  // namespace

namespace sway_ipc {

std::string EncodeFrame(std::uint32_t type, std::string_view payload) {
  std::string frame(kMagic, sizeof kMagic);
  const auto length = static_cast<std::uint32_t>(payload.size());
  frame.append(reinterpret_cast<const char*>(&length), 4);
  frame.append(reinterpret_cast<const char*>(&type), 4);
  frame.append(payload);
  return frame;
}

std::optional<SwayMessage> FrameReader::Next() {
  if (broken_ || buffer_.size() < kHeader) return std::nullopt;
  if (std::memcmp(buffer_.data(), kMagic, sizeof kMagic) != 0) {
    broken_ = true;
    return std::nullopt;
  }
  std::uint32_t length = 0;
  SwayMessage message;
  std::memcpy(&length, buffer_.data() + sizeof kMagic, 4);
  std::memcpy(&message.type, buffer_.data() + sizeof kMagic + 4, 4);
  if (length > kMaxPayload) {
    broken_ = true;
    return std::nullopt;
  }
  if (buffer_.size() - kHeader < length) return std::nullopt;
  message.payload.assign(buffer_, kHeader, length);
  buffer_.erase(0, kHeader + length);
  return message;
}

}  // namespace sway_ipc

SwayIpcConnection::SwayIpcConnection(const std::string& socket_path) {
  sockaddr_un address{};
  if (socket_path.empty() || socket_path.size() >= sizeof address.sun_path) return;
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, socket_path.data(), socket_path.size());
  fd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd_ < 0) return;
  // A local connect either succeeds or fails at once; the socket turns non-blocking after it.
  if (connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      fcntl(fd_, F_SETFL, fcntl(fd_, F_GETFL) | O_NONBLOCK) != 0) {
    Drop();
  }
}

SwayIpcConnection::~SwayIpcConnection() { Drop(); }

void SwayIpcConnection::Drop() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
}

void SwayIpcConnection::Send(std::uint32_t type, std::string_view payload) {
  if (Lost()) return;
  outgoing_ += sway_ipc::EncodeFrame(type, payload);
  if (outgoing_.size() > kMaxOutgoing) {
    Drop();
    return;
  }
  Exchange(-1);
}

void SwayIpcConnection::Exchange(int wait_ms) {
  if (Lost()) return;
  if (wait_ms >= 0) {
    pollfd p{fd_, static_cast<short>(POLLIN | (outgoing_.empty() ? 0 : POLLOUT)), 0};
    if (poll(&p, 1, wait_ms) < 0 && errno != EINTR) {
      Drop();
      return;
    }
  }
  while (!outgoing_.empty()) {
    ssize_t sent = send(fd_, outgoing_.data(), outgoing_.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (sent > 0) {
      outgoing_.erase(0, static_cast<std::size_t>(sent));
    } else if (sent < 0 && errno == EINTR) {
      continue;
    } else if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      break;
    } else {
      Drop();
      return;
    }
  }
  char chunk[16384];
  for (;;) {
    ssize_t got = recv(fd_, chunk, sizeof chunk, MSG_DONTWAIT);
    if (got > 0) {
      reader_.Feed(std::string_view(chunk, static_cast<std::size_t>(got)));
      continue;
    }
    if (got < 0 && errno == EINTR) continue;
    if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
    // The compositor closed the socket, or it failed.
    Drop();
    break;
  }
  while (auto message = reader_.Next()) arrived_.push_back(std::move(*message));
  if (reader_.Broken()) Drop();
}

std::vector<SwayMessage> SwayIpcConnection::Receive() {
  Exchange(-1);
  std::vector<SwayMessage> messages(std::make_move_iterator(arrived_.begin()),
                                    std::make_move_iterator(arrived_.end()));
  arrived_.clear();
  return messages;
}

std::optional<SwayMessage> SwayIpcConnection::Await(std::uint32_t type, int timeout_ms) {
  const long long deadline = NowMs() + timeout_ms;
  for (;;) {
    for (auto it = arrived_.begin(); it != arrived_.end(); ++it) {
      if (it->type == type) {
        SwayMessage message = std::move(*it);
        arrived_.erase(it);
        return message;
      }
    }
    const long long left = deadline - NowMs();
    if (Lost() || left < 0) return std::nullopt;
    Exchange(static_cast<int>(left));
  }
}

}  // namespace quillenta
