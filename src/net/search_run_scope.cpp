#include "net/search_run_scope.h"

#include <utility>

namespace halvera {

SearchRunScope::SearchRunScope(SearchRunContext& context, AppSettings settings)
    : m_context(context), m_settings(std::move(settings)), m_local(context.local.Get()) {
    m_context.steps.BeginRun();
}

SearchRunScope::~SearchRunScope() {
    m_context.steps.EndRun();
    m_context.driver.Release();
}

int SearchRunScope::ReadLocalAdapter() {
    LocalAdapterInfo info = m_local;
    if (halvera::ReadLocalAdapter(m_context.driver, m_settings.ADPNUM, m_context.errorLog, info) !=
        0) {
        return 1;
    }
    m_local = info;
    m_context.local.Set(info);
    return 0;
}

int SearchRunScope::ProbeAndUpdate(Ipv4 ip, int attempts, NodeRecord& record) {
    return m_context.steps.ProbeAndUpdate(m_local, ip, attempts, record);
}

}  // namespace halvera
