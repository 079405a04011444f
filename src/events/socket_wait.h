#pragma once

#include <chrono>

namespace halvera {

// Waits until the socket reports one of the poll `events` (or an error), at most `limit`,
// riding over interrupted waits. False when the time ran out or the wait itself failed.
bool WaitForSocket(int socket, short events, std::chrono::milliseconds limit);

}  // namespace halvera
