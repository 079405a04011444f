#include "net/node_searcher.h"

#include <utility>

namespace halvera {

NodeSearcher::NodeSearcher(SearchRunContext& context, AppSettings settings)
    : m_context(context),
      m_settings(std::move(settings)),
      m_attempt{context.driver,    context.errorLog,   context.prompt,
                m_settings.ADPNUM, m_settings.TIMEOUT, context.wait},
      m_local(context.local.Get()) {}

NodeSearcher::~NodeSearcher() {
    m_context.driver.Release();
}

int NodeSearcher::ReadLocalAdapter() {
    LocalAdapterInfo info = m_local;
    if (halvera::ReadLocalAdapter(m_context.driver, m_settings.ADPNUM, m_context.errorLog, info) !=
        0) {
        return 1;
    }
    m_local = info;
    m_context.local.Set(info);
    return 0;
}

int NodeSearcher::ProbeAndUpdate(Ipv4 ip, int attempts, NodeRecord& record) {
    return m_context.steps.ProbeAndUpdate(m_attempt, m_local, ip, attempts, record);
}

}  // namespace halvera
