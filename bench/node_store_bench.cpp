// The node store with thousands of nodes: putting them, finding each by address, walking the
// store by position, the moved-node check of each node and deleting some. Each figure should grow
// linearly with the node count.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "base/program_folder.h"
#include "store/node_store.h"
#include "support/recording_error_log.h"
#include "support/recording_prompt.h"

namespace halvera {
namespace {

// A fresh program folder below the system's temporary folder for one benchmark.
class BenchFolder {
  public:
    BenchFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "halvera-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        m_path = pattern;
        SetProgramFolder(m_path);
    }
    ~BenchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }

  private:
    std::filesystem::path m_path;
};

NodeRecord BenchNode(int i) {
    NodeRecord record;
    record.ip = MakeIp(10, ((i + 1) >> 16) & 0xFF, ((i + 1) >> 8) & 0xFF, (i + 1) & 0xFF);
    record.mac = {0x02,
                  0x00,
                  0x00,
                  static_cast<std::uint8_t>(i >> 16),
                  static_cast<std::uint8_t>(i >> 8),
                  static_cast<std::uint8_t>(i)};
    record.status = NODE_UP;
    record.label = "node " + std::to_string(i);
    record.updated = "2024/05/06 07:08:09";
    record.detected = "2024/01/01 00:00:00";
    record.monitor = 1;
    return record;
}

// A store with n nodes and their names.
class FilledStore {
  public:
    explicit FilledStore(int n) : m_store(m_prompt, m_log) {
        m_store.SetKeepNodeList(0);
        m_store.InitNodeStore();
        for (int i = 0; i < n; ++i) {
            NodeRecord record = BenchNode(i);
            m_store.PutNames(record.ip, "host" + std::to_string(i), "WORKGROUP");
            m_store.PutNode(record);
        }
    }
    NodeStore& Store() { return m_store; }

  private:
    BenchFolder m_folder;
    test::RecordingPrompt m_prompt;
    test::RecordingErrorLog m_log;
    NodeStore m_store;
};

void PerNode(benchmark::State& state, double count) {
    state.counters["per_node"] = benchmark::Counter(
        count, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.SetComplexityN(state.range(0));
}

void BM_PutAll(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        {
            FilledStore filled(0);
            for (int i = 0; i < n; ++i) {
                filled.Store().PutNames(BenchNode(i).ip, "host" + std::to_string(i), "WG");
            }
            state.ResumeTiming();
            for (int i = 0; i < n; ++i) {
                NodeRecord record = BenchNode(i);
                filled.Store().PutNode(record);
            }
            state.PauseTiming();
        }
        state.ResumeTiming();
    }
    PerNode(state, n);
}

void BM_FindEach(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    FilledStore filled(n);
    for (auto _ : state) {
        for (int i = 0; i < n; ++i) {
            NodeRecord record;
            filled.Store().FindNodeByIp(BenchNode(i).ip, record);
            benchmark::DoNotOptimize(record);
        }
    }
    PerNode(state, n);
}

void BM_WalkByPosition(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    FilledStore filled(n);
    for (auto _ : state) {
        NodeRecord record;
        std::size_t walked = 0;
        while (filled.Store().ReadNodeAt(walked, record) == 0) {
            record = NodeRecord{};
            ++walked;
        }
        benchmark::DoNotOptimize(walked);
    }
    PerNode(state, n);
}

// The moved-node check a refresh makes for each answering node: is its MAC stored at another
// address? (Here never: the worst case, every record of the MAC looked at.)
void BM_MovedCheckEach(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    FilledStore filled(n);
    for (auto _ : state) {
        for (int i = 0; i < n; ++i) {
            const NodeRecord node = BenchNode(i);
            NodeRecord elsewhere;
            benchmark::DoNotOptimize(
                filled.Store().FindNodeByMacElsewhere(node.mac, node.ip, elsewhere));
        }
    }
    PerNode(state, n);
}

void BM_Delete100(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        {
            FilledStore filled(n);
            state.ResumeTiming();
            for (int k = 0; k < 100; ++k) {
                filled.Store().DeleteNode(BenchNode(k * (n / 100)).ip);
            }
            state.PauseTiming();
        }
        state.ResumeTiming();
    }
    state.counters["per_delete"] = benchmark::Counter(
        100, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.SetComplexityN(state.range(0));
}

// 2,500, 5,000 and 10,000 nodes, with a fitted growth curve.
void NodeCounts(benchmark::internal::Benchmark* family) {
    family->Arg(2500)->Arg(5000)->Arg(10000);
    family->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
}

BENCHMARK(BM_PutAll)->Apply(NodeCounts)->Iterations(5);
BENCHMARK(BM_FindEach)->Apply(NodeCounts)->Iterations(5);
BENCHMARK(BM_WalkByPosition)->Apply(NodeCounts)->Iterations(5);
BENCHMARK(BM_MovedCheckEach)->Apply(NodeCounts)->Iterations(5);
BENCHMARK(BM_Delete100)->Apply(NodeCounts)->Iterations(2);

}  // namespace
}  // namespace halvera

BENCHMARK_MAIN();
