#pragma once
#include "platform/win32/connection_links.h"

namespace quillenta {

// The connected networks, from the network list manager: the adapter each connection runs
// over, and whether its INetworkConnectionCost is metered (unknown counts as not). Made on a
// thread that has COM; on one without, or where the manager cannot be made, the connections
// are unknown.
class NetworkListCosts : public ConnectionCosts {
 public:
  NetworkListCosts();
  ~NetworkListCosts() override;
  NetworkListCosts(const NetworkListCosts&) = delete;
  NetworkListCosts& operator=(const NetworkListCosts&) = delete;

  bool Connections(std::vector<NetworkAdapter>* adapters) override;

 private:
  void* manager_ = nullptr;  // INetworkListManager
};

}  // namespace quillenta
