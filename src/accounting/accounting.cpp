#include "accounting/accounting.h"

namespace quillenta {

Accounting::Accounting(Clock& clock, DialupLinks& links, const PerfValues& perf,
                       const Settings& settings)
    : clock_(clock), links_(links), perf_(perf), settings_(settings) {}

void Accounting::LoadConnectionTotals(const PersistedTotals&) {}
void Accounting::UpdateConnectionAccounting() {}
void Accounting::SaveConnectionTotals(TotalsWriter&, const std::string&) {}
void Accounting::ResetConnectionTime() {}
void Accounting::ResetTraffic() {}
PersistedTotals Accounting::TotalsForSave() const { return {}; }

}  // namespace quillenta
