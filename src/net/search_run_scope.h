#pragma once

#include <functional>
#include <future>
#include <memory>
#include <span>

#include "net/run_name_queries.h"
#include "net/search_run_context.h"
#include "store/app_settings.h"

namespace halvera {

// One run from its start to its end: the settings it started with and the own adapter as
// last read. Created at the start of a run thread, it begins the run's per-address steps;
// destroyed at its end, it ends them and releases the capture handle that the driver keeps
// open between attempts.
class SearchRunScope {
  public:
    // stop: the run's stop request, which cuts the probe windows in flight.
    SearchRunScope(SearchRunContext& context, AppSettings settings, const std::atomic<int>* stop);
    ~SearchRunScope();
    SearchRunScope(const SearchRunScope&) = delete;
    SearchRunScope& operator=(const SearchRunScope&) = delete;

    const AppSettings& Settings() const { return m_settings; }
    const LocalAdapterInfo& Local() const { return m_local; }

    // Reads the adapter ADPNUM into the process-wide adapter information. 0, or 1 when it
    // could not be read (the information is then left as it was).
    int ReadLocalAdapter();
    // The rights check alone, for a run that uses the adapter as last read.
    bool CheckRights();
    // The outcome of the last rights check.
    RawSocketCheck Rights() const { return m_rights; }

    // From now on the answering addresses that lie in the ranges are asked for their names
    // (WINS); a step that reads the name book (or WaitForNames) waits for the walk asking.
    void StartNames(std::span<const NameQueryRange> ranges);
    void WaitForNames();

    void ProbeBlock(std::span<const SweepTarget> targets);
    ProbeResult ProbeAndUpdate(Ipv4 ip, int attempts, NodeRecord& record);

  private:
    void ReportMissingAdapter();

    SearchRunContext& m_context;
    AppSettings m_settings;
    LocalAdapterInfo m_local;
    RawSocketCheck m_rights = RawSocketCheck::Allowed;
    std::unique_ptr<RunNameQueries> m_names;
    std::future<void> m_vendorTable;
};

}  // namespace halvera
