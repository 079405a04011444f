#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace halvera {

// Where a search stands after `elapsed`:
// "【ノード検索】 127/254 アドレス  ノード 5  50/秒  残り 0:03" (UTF-8), addresses a second
// for the rate. The rate and the time left read "-" until an address is done. Even for a /16
// the line stays within 80 columns, so a terminal's status line never wraps.
std::string SearchProgressText(std::uint64_t done, std::uint64_t total, std::uint64_t found,
                               std::chrono::duration<double> elapsed);

}  // namespace halvera
