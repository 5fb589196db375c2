#pragma once
#include "platform/win32/connection_links.h"

namespace quillenta {

// The costs of the network connections, from the network list manager: each connection's
// INetworkConnectionCost, and the adapter it runs over. Made on a thread that has COM; on one
// without, or where the manager cannot be made, the costs are unknown.
class NetworkListCosts : public ConnectionCosts {
 public:
  NetworkListCosts();
  ~NetworkListCosts() override;
  NetworkListCosts(const NetworkListCosts&) = delete;
  NetworkListCosts& operator=(const NetworkListCosts&) = delete;

  bool MeteredAdapters(std::vector<AdapterId>* adapters) override;

 private:
  void* manager_ = nullptr;  // INetworkListManager
};

}  // namespace quillenta
