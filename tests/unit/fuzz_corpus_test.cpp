#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

// Each fuzz target's entry point, renamed for this build; each aborts on a broken check.
extern "C" int Replay_arp_reply_fuzz(const std::uint8_t* data, std::size_t size);
extern "C" int Replay_capture_request_fuzz(const std::uint8_t* data, std::size_t size);
extern "C" int Replay_node_status_reply_fuzz(const std::uint8_t* data, std::size_t size);
extern "C" int Replay_node_line_fuzz(const std::uint8_t* data, std::size_t size);
extern "C" int Replay_range_list_fuzz(const std::uint8_t* data, std::size_t size);
extern "C" int Replay_event_line_fuzz(const std::uint8_t* data, std::size_t size);
extern "C" int Replay_log_line_fuzz(const std::uint8_t* data, std::size_t size);
extern "C" int Replay_ini_file_fuzz(const std::uint8_t* data, std::size_t size);
extern "C" int Replay_user_registry_fuzz(const std::uint8_t* data, std::size_t size);
extern "C" int Replay_mail_reply_fuzz(const std::uint8_t* data, std::size_t size);
extern "C" int Replay_popup_datagram_fuzz(const std::uint8_t* data, std::size_t size);
extern "C" int Replay_arp_sweep_fuzz(const std::uint8_t* data, std::size_t size);

namespace {

using Target = int (*)(const std::uint8_t*, std::size_t);

// Replays every seed kept for a target: the parsers' checks hold for each (a broken one
// aborts the test), and the seeds are still there to be replayed.
TEST(FuzzCorpus, EveryKeptInputPassesItsTargetsChecks) {
    const struct {
        const char* folder;
        Target target;
    } targets[] = {
        {"arp_reply", Replay_arp_reply_fuzz},
        {"capture_request", Replay_capture_request_fuzz},
        {"node_status_reply", Replay_node_status_reply_fuzz},
        {"node_line", Replay_node_line_fuzz},
        {"range_list", Replay_range_list_fuzz},
        {"event_line", Replay_event_line_fuzz},
        {"log_line", Replay_log_line_fuzz},
        {"ini_file", Replay_ini_file_fuzz},
        {"user_registry", Replay_user_registry_fuzz},
        {"mail_reply", Replay_mail_reply_fuzz},
        {"popup_datagram", Replay_popup_datagram_fuzz},
        {"arp_sweep", Replay_arp_sweep_fuzz},
    };
    for (const auto& t : targets) {
        SCOPED_TRACE(t.folder);
        int replayed = 0;
        for (const auto& entry : std::filesystem::directory_iterator(
                 std::filesystem::path(HALVERA_FUZZ_CORPUS) / t.folder)) {
            std::ifstream in(entry.path(), std::ios::binary);
            const std::vector<std::uint8_t> input{std::istreambuf_iterator<char>(in), {}};
            EXPECT_EQ(t.target(input.data(), input.size()), 0) << entry.path();
            ++replayed;
        }
        EXPECT_GT(replayed, 0);
    }
}

}  // namespace
