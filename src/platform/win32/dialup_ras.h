#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/win32/connection_links.h"

namespace quillenta {

// The dial-up binding: rasapi32.dll loaded once at start and kept for the run. The count comes
// from RasEnumConnectionsW; the traffic of its connections from the PPP interfaces that RAS
// makes for every dial-up, PPPoE and VPN connection it holds (ConnectionLinks).
class RasDialupLinks : public RemoteAccess {
 public:
  // 0 everything bound, 1 the library did not load, 2 an entry point is missing.
  enum class LoadStatus { kLoaded = 0, kNoLibrary = 1, kMissingEntry = 2 };

  RasDialupLinks();
  // Another library in place of rasapi32.dll; tests name one that is absent.
  explicit RasDialupLinks(const std::wstring& library);
  ~RasDialupLinks() override;
  RasDialupLinks(const RasDialupLinks&) = delete;
  RasDialupLinks& operator=(const RasDialupLinks&) = delete;

  LoadStatus Status() const { return status_; }
  // 0 when the service cannot answer. More than fit the first buffer are counted with a
  // larger one, which is kept.
  int CountConnections() override;

 private:
  struct Records;

  LoadStatus status_ = LoadStatus::kNoLibrary;
  void* library_ = nullptr;           // HMODULE
  void* enum_connections_ = nullptr;  // RasEnumConnectionsW
  std::unique_ptr<Records> records_;
};

// GetIfTable2: the 64-bit counters and the state of every interface.
class IfTable2Interfaces : public InterfaceTable {
 public:
  bool Read(std::vector<InterfaceRow>* rows) override;
};

}  // namespace quillenta
