#pragma once

#include <functional>

namespace halvera {

// The capture helper's rights. The only one it uses is CAP_NET_RAW (packet sockets, and the
// raw socket of the rights check); promiscuous capture through a packet socket's membership
// needs no more.

// Keeps CAP_NET_RAW, when the helper was given it, in the permitted set and nothing else:
// nothing effective, inheritable or ambient, and no rights gained through exec. False when
// the process's rights could not be changed.
bool LimitToRawFrameRights();

// Runs action with CAP_NET_RAW in effect (when permitted), then takes it out of effect again,
// so opening a capture handle is the only moment the right works.
void WithRawFrameRights(const std::function<void()>& action);

}  // namespace halvera
