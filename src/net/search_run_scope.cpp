#include "net/search_run_scope.h"

#include <utility>

namespace halvera {

SearchRunScope::SearchRunScope(SearchRunContext& context, AppSettings settings)
    : m_context(context), m_settings(std::move(settings)), m_local(context.local.Get()) {
    m_context.steps.BeginRun();
}

SearchRunScope::~SearchRunScope() {
    WaitForNames();
    m_context.steps.SetNameWait({});
    m_context.steps.EndRun();
    m_context.driver.Release();
}

int SearchRunScope::ReadLocalAdapter() {
    LocalAdapterInfo info = m_local;
    if (halvera::ReadLocalAdapter(m_context.driver, m_settings.ADPNUM, m_context.errorLog, info,
                                  &m_rights) != 0) {
        return 1;
    }
    m_local = info;
    m_context.local.Set(info);
    return 0;
}

bool SearchRunScope::CheckRights() {
    return CheckRawSocket(m_context.driver, m_context.errorLog, &m_rights);
}

void SearchRunScope::StartNames(std::function<void()> walk) {
    WaitForNames();
    m_names = std::async(std::launch::async, std::move(walk));
    m_context.steps.SetNameWait([this] { WaitForNames(); });
}

void SearchRunScope::WaitForNames() {
    if (m_names.valid()) {
        m_names.get();
    }
}

void SearchRunScope::ProbeBlock(std::span<const SweepTarget> targets) {
    m_context.steps.ProbeBlock(m_local, targets);
}

int SearchRunScope::ProbeAndUpdate(Ipv4 ip, int attempts, NodeRecord& record) {
    return m_context.steps.ProbeAndUpdate(m_local, ip, attempts, record);
}

}  // namespace halvera
