#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/system_probes.h"

namespace quillenta {

// The byte counters of the dial-up interfaces, summed one interface row at a time: rows of
// type PPP (23) that are up count; filter-driver rows, which repeat an interface's figures
// from higher in its driver stack, do not. Sums stop at the largest 64-bit value.
//
// A counter that falls (a link re-made between two samples) is passed on as it is: the
// accounting keeps what it has counted and counts on from the new figure.
class DialupCounterSum {
 public:
  static constexpr std::uint32_t kPppType = 23;  // IF_TYPE_PPP

  void Add(std::uint32_t interface_type, bool up, bool filter, std::uint64_t received,
           std::uint64_t sent);
  LinkCounters Total() const;

 private:
  std::uint64_t received_ = 0;
  std::uint64_t sent_ = 0;
};

// The dial-up binding: rasapi32.dll loaded once at start and kept for the run. The count comes
// from RasEnumConnectionsW; the byte counters are 64-bit figures of the PPP interfaces of
// GetIfTable2, which RAS makes for every dial-up, PPPoE and VPN connection it holds.
class RasDialupLinks : public DialupLinks {
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
  // {0, 0} when no dial-up interface is up; nullopt when the interface table cannot be read.
  // While the last count found no connection there is no dial-up interface to read, and the
  // table of every interface is not asked for: it is the dearest call of a refresh.
  std::optional<LinkCounters> ReadByteCounters() override;

 private:
  struct Records;

  int EnumerateConnections();

  // What the last CountConnections found; -1 before the first.
  int last_count_ = -1;

  LoadStatus status_ = LoadStatus::kNoLibrary;
  void* library_ = nullptr;           // HMODULE
  void* enum_connections_ = nullptr;  // RasEnumConnectionsW
  std::unique_ptr<Records> records_;
};

}  // namespace quillenta
