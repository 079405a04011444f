#include "cli/search_progress_text.h"

#include <cmath>
#include <cstdio>

namespace halvera {
namespace {

// "0:03", "12:40", "1:02:03".
std::string Duration(std::uint64_t seconds) {
    char text[32];
    if (seconds >= 3600) {
        std::snprintf(text, sizeof text, "%llu:%02llu:%02llu",
                      static_cast<unsigned long long>(seconds / 3600),
                      static_cast<unsigned long long>(seconds / 60 % 60),
                      static_cast<unsigned long long>(seconds % 60));
    } else {
        std::snprintf(text, sizeof text, "%llu:%02llu",
                      static_cast<unsigned long long>(seconds / 60),
                      static_cast<unsigned long long>(seconds % 60));
    }
    return text;
}

}  // namespace

std::string SearchProgressText(std::uint64_t done, std::uint64_t total, std::uint64_t found,
                               std::chrono::duration<double> elapsed) {
    std::string text = "【ノード検索】 " + std::to_string(done) + "/" + std::to_string(total) +
                       " アドレス  ノード " + std::to_string(found) + "  ";
    const double seconds = elapsed.count();
    if (done == 0 || seconds <= 0) {
        return text + "-/秒  残り -";
    }
    const double rate = static_cast<double>(done) / seconds;
    const std::uint64_t left = done >= total ? 0 : total - done;
    return text + std::to_string(std::llround(rate)) + "/秒  残り " +
           Duration(static_cast<std::uint64_t>(std::ceil(static_cast<double>(left) / rate)));
}

}  // namespace halvera
