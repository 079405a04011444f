#pragma once

#include "net/packet_attempt.h"
#include "net/search_run_context.h"
#include "store/app_settings.h"

namespace halvera {

// One run's hold on the network: the settings it started with, its packet attempts through
// the driver, and the own adapter as last read. Each run thread creates one at its start and
// destroys it at its end, which releases the capture handle the driver keeps open between
// attempts.
class NodeSearcher {
  public:
    NodeSearcher(SearchRunContext& context, AppSettings settings);
    ~NodeSearcher();
    NodeSearcher(const NodeSearcher&) = delete;
    NodeSearcher& operator=(const NodeSearcher&) = delete;

    const AppSettings& Settings() const { return m_settings; }
    const LocalAdapterInfo& Local() const { return m_local; }

    // Reads the adapter ADPNUM into the process-wide adapter information. 0, or 1 when it
    // could not be read (the information is then left as it was).
    int ReadLocalAdapter();

    int ProbeAndUpdate(Ipv4 ip, int attempts, NodeRecord& record);

  private:
    SearchRunContext& m_context;
    AppSettings m_settings;
    PacketAttempt m_attempt;
    LocalAdapterInfo m_local;
};

}  // namespace halvera
