#include "platform/win32/dialup_ras.h"

// The IP helper declares its interface table (netioapi.h) only after winsock2.h and
// ws2ipdef.h.
#include <winsock2.h>
#include <windows.h>
#include <ws2ipdef.h>
#include <iphlpapi.h>
#include <ras.h>
#include <raserror.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

namespace quillenta {

namespace {

using RasEnumConnectionsFn = DWORD(WINAPI*)(RASCONNW*, DWORD*, DWORD*);

constexpr std::size_t kFirstRecords = 32;
// Far beyond any real machine; a service that asks for more is not believed.
constexpr std::size_t kMostRecords = 4096;

}  // namespace

struct RasDialupLinks::Records {
  std::vector<RASCONNW> connections = std::vector<RASCONNW>(kFirstRecords);
};

RasDialupLinks::RasDialupLinks() : RasDialupLinks(L"rasapi32.dll") {}

RasDialupLinks::RasDialupLinks(const std::wstring& library)
    : records_(std::make_unique<Records>()) {
  HMODULE module = ::LoadLibraryW(library.c_str());
  if (module == nullptr) {
    status_ = LoadStatus::kNoLibrary;
    return;
  }
  library_ = module;
  status_ = LoadStatus::kLoaded;
  // Only the enumeration is used; the others are looked up so that the status says whether
  // the whole service is there, as it always has.
  static const char* const kEntries[] = {"RasDialW",           "RasEnumConnectionsW",
                                         "RasEnumEntriesW",    "RasGetConnectStatusW",
                                         "RasGetErrorStringW", "RasHangUpW"};
  for (const char* name : kEntries) {
    FARPROC entry = ::GetProcAddress(module, name);
    if (entry == nullptr) status_ = LoadStatus::kMissingEntry;
    if (entry != nullptr && name == kEntries[1]) enum_connections_ = reinterpret_cast<void*>(entry);
  }
}

RasDialupLinks::~RasDialupLinks() {
  if (library_ != nullptr) ::FreeLibrary(static_cast<HMODULE>(library_));
}

int RasDialupLinks::CountConnections() {
  if (enum_connections_ == nullptr) return 0;
  auto enumerate = reinterpret_cast<RasEnumConnectionsFn>(enum_connections_);
  std::vector<RASCONNW>& records = records_->connections;
  // A connection made between the two calls can make the second too small as well.
  for (int attempt = 0; attempt < 3; ++attempt) {
    records[0].dwSize = sizeof(RASCONNW);
    DWORD bytes = static_cast<DWORD>(records.size() * sizeof(RASCONNW));
    DWORD count = 0;
    DWORD result = enumerate(records.data(), &bytes, &count);
    if (result == ERROR_SUCCESS) return static_cast<int>(std::min<DWORD>(count, INT32_MAX));
    if (result != ERROR_BUFFER_TOO_SMALL) return 0;
    std::size_t needed = bytes / sizeof(RASCONNW) + 1;
    if (needed <= records.size() || needed > kMostRecords) return 0;
    records.resize(needed);
  }
  return 0;
}

bool IfTable2Interfaces::Read(std::vector<InterfaceRow>* rows) {
  MIB_IF_TABLE2* table = nullptr;
  if (::GetIfTable2(&table) != NO_ERROR || table == nullptr) return false;
  for (ULONG i = 0; i < table->NumEntries; ++i) {
    const MIB_IF_ROW2& row = table->Table[i];
    InterfaceRow& out = rows->emplace_back();
    out.luid = row.InterfaceLuid.Value;
    out.index = row.InterfaceIndex;
    static_assert(sizeof row.InterfaceGuid == sizeof out.guid);
    std::memcpy(out.guid.data(), &row.InterfaceGuid, out.guid.size());
    out.type = row.Type;
    out.up = row.OperStatus == IfOperStatusUp;
    out.filter = row.InterfaceAndOperStatusFlags.FilterInterface != FALSE;
    out.received = row.InOctets;
    out.sent = row.OutOctets;
  }
  ::FreeMibTable(table);
  return true;
}

}  // namespace quillenta
