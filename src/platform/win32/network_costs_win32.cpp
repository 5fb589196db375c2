#include "platform/win32/network_costs_win32.h"

#include <windows.h>
#include <initguid.h>
#include <netlistmgr.h>

#include <cstring>

namespace quillenta {

NetworkListCosts::NetworkListCosts() {
  INetworkListManager* manager = nullptr;
  if (SUCCEEDED(::CoCreateInstance(CLSID_NetworkListManager, nullptr, CLSCTX_ALL,
                                   IID_INetworkListManager, reinterpret_cast<void**>(&manager)))) {
    manager_ = manager;
  }
}

NetworkListCosts::~NetworkListCosts() {
  if (manager_ != nullptr) static_cast<INetworkListManager*>(manager_)->Release();
}

bool NetworkListCosts::Connections(std::vector<NetworkAdapter>* adapters) {
  if (manager_ == nullptr) return false;
  IEnumNetworkConnections* connections = nullptr;
  if (FAILED(static_cast<INetworkListManager*>(manager_)->GetNetworkConnections(&connections)) ||
      connections == nullptr) {
    return false;
  }
  INetworkConnection* connection = nullptr;
  ULONG fetched = 0;
  while (connections->Next(1, &connection, &fetched) == S_OK && fetched == 1) {
    GUID adapter{};
    if (SUCCEEDED(connection->GetAdapterId(&adapter))) {
      NetworkAdapter& entry = adapters->emplace_back();
      static_assert(sizeof adapter == sizeof entry.id);
      std::memcpy(entry.id.data(), &adapter, entry.id.size());
      INetworkConnectionCost* cost = nullptr;
      DWORD value = 0;
      if (SUCCEEDED(connection->QueryInterface(IID_INetworkConnectionCost,
                                               reinterpret_cast<void**>(&cost)))) {
        entry.metered = SUCCEEDED(cost->GetCost(&value)) && CostIsMetered(value);
        cost->Release();
      }
    }
    connection->Release();
  }
  connections->Release();
  return true;
}

}  // namespace quillenta
