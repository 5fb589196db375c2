#pragma once
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/linux/dialup_links_linux.h"

namespace quillenta {

// The interfaces of the NetworkManager devices that are activated and metered (Metered YES
// or GUESS_YES), kept current from the system bus on a thread of their own.
//
// The tick only copies what the thread last published, and only when it changed: a bus that
// is absent, a NetworkManager that hangs, restarts or was never there never reach the tick;
// they leave the set empty until NetworkManager answers again. The thread learns everything
// from signals (NetworkManager appearing and leaving the bus, devices added and removed,
// their properties changed) and asks NetworkManager only with calls it does not wait for.
// A lost bus is dialled again as soon as its socket is made anew; one whose socket stays but
// does not answer, first after a second, then every few seconds.
class NetworkManagerMetered : public MeteredInterfaces {
 public:
  NetworkManagerMetered();
  ~NetworkManagerMetered() override;
  NetworkManagerMetered(const NetworkManagerMetered&) = delete;
  NetworkManagerMetered& operator=(const NetworkManagerMetered&) = delete;

  bool TakeIfChanged(std::uint64_t* version, std::vector<std::string>* names) override;

 private:
  class Watch;
  friend class Watch;

  void Run();
  // Makes `names` (sorted) the published set, if it differs.
  void Publish(std::vector<std::string> names);
  // Waits up to `ms`; true when the thread is to stop.
  bool WaitForStop(int ms);
  // Waits before the bus is dialled again: for its socket to be made when there is none,
  // else `redial_ms`; true when the thread is to stop.
  bool WaitForBus(int redial_ms);

  int stop_fd_ = -1;
  std::mutex mutex_;
  std::vector<std::string> names_;  // guarded by mutex_
  std::atomic<std::uint64_t> version_{0};
  std::thread thread_;
};

}  // namespace quillenta
