#include "net/search_run_scope.h"

#include <system_error>
#include <utility>

#include "base/text_codec.h"
#include "net/netmon_log.h"
#include "store/vendor_table.h"

namespace halvera {
namespace {

// A locally administered MAC: no vendor lists it, but its look-up reads the table.
const MacAddress UNLISTED_PREFIX{0x02, 0x00, 0x00, 0x00, 0x00, 0x01};

}  // namespace

SearchRunScope::SearchRunScope(SearchRunContext& context, AppSettings settings,
                               const std::atomic<int>* stop)
    : m_context(context), m_settings(std::move(settings)), m_local(context.local.Get()) {
    m_context.steps.BeginRun(stop);
    // The vendor table (tens of thousands of prefixes) is read while the first windows
    // wait, not after them, when the first node that answered needs it.
    try {
        m_vendorTable = std::async(std::launch::async, [] {
            std::string vendor;
            LookupVendor(UNLISTED_PREFIX, vendor);
        });
    } catch (const std::system_error&) {
        // Without a thread the first node that answered reads the table, as it would.
    }
}

SearchRunScope::~SearchRunScope() {
    if (m_vendorTable.valid()) {
        m_vendorTable.wait();
    }
    WaitForNames();
    m_context.steps.SetNames(nullptr);
    m_context.steps.EndRun();
    m_context.driver.Release();
}

int SearchRunScope::ReadLocalAdapter() {
    LocalAdapterInfo info = m_local;
    if (halvera::ReadLocalAdapter(m_context.driver, m_settings.ADPNUM, m_context.errorLog, info,
                                  &m_rights) != 0) {
        ReportMissingAdapter();
        return 1;
    }
    m_local = info;
    m_context.local.Set(info);
    return 0;
}

void SearchRunScope::ReportMissingAdapter() {
    if (m_rights != RawSocketCheck::Allowed) {
        return;
    }
    // The list was read (a failure to read it is logged already) but has no adapter
    // ADPNUM: unplugged, taken down, renamed or without an address since it was chosen.
    // The run says so as an adapter that does not open.
    const auto adapters = m_context.driver.Adapters();
    if (adapters &&
        (m_settings.ADPNUM < 0 || m_settings.ADPNUM >= static_cast<int>(adapters->size()))) {
        m_context.errorLog.WriteErrorLog(NETMON_TAG, "Unable to open the driver");
        m_context.prompt.ShowMessage(Sjis("winpcap driver not install。"), PromptIcon::Information,
                                     PromptButtons::Ok);
    }
}

bool SearchRunScope::CheckRights() {
    return CheckRawSocket(m_context.driver, m_context.errorLog, &m_rights);
}

void SearchRunScope::StartNames(std::span<const NameQueryRange> ranges) {
    WaitForNames();
    m_names = std::make_unique<RunNameQueries>(m_context.enumerateNames, ranges, m_local.ownAddress,
                                               m_local.subnetMask);
    m_context.steps.SetNames(m_names.get());
}

void SearchRunScope::WaitForNames() {
    if (m_names) {
        m_names->Wait();
    }
}

void SearchRunScope::ProbeBlock(std::span<const SweepTarget> targets) {
    m_context.steps.ProbeBlock(m_local, targets);
}

ProbeResult SearchRunScope::ProbeAndUpdate(Ipv4 ip, int attempts, NodeRecord& record) {
    return m_context.steps.ProbeAndUpdate(m_local, ip, attempts, record);
}

}  // namespace halvera
