#pragma once
#include <optional>

#include "platform/system_probes.h"

namespace quillenta {

// The dial-up binding: rasapi32.dll loaded once at start and kept for the run. The count comes
// from RasEnumConnectionsW; the byte counters are 64-bit figures of the dial-up interfaces.
class RasDialupLinks : public DialupLinks {
 public:
  // 0 everything bound, 1 the library did not load, 2 an entry point is missing.
  enum class LoadStatus { kLoaded = 0, kNoLibrary = 1, kMissingEntry = 2 };

  RasDialupLinks();
  ~RasDialupLinks() override;
  RasDialupLinks(const RasDialupLinks&) = delete;
  RasDialupLinks& operator=(const RasDialupLinks&) = delete;

  LoadStatus Status() const { return status_; }
  // 0 when the service cannot answer.
  int CountConnections() override;
  std::optional<LinkCounters> ReadByteCounters() override;

 private:
  LoadStatus status_ = LoadStatus::kNoLibrary;
  void* library_ = nullptr;           // HMODULE
  void* enum_connections_ = nullptr;  // RasEnumConnectionsW
};

}  // namespace quillenta
