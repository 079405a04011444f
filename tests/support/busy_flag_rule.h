#pragma once

#include <gtest/gtest.h>

#include <string_view>

#include "base/busy_flag.h"
#include "base/text_codec.h"

namespace halvera::test {

// Fails the test when a message box is asked for while the calling thread holds a busy flag:
// the real box waits for the user, and the GUI thread that has to show it may be waiting for
// that very flag.
inline void ExpectNoBusyFlagHeld(std::string_view boxTextCp932) {
    if (BusyFlag::HeldByThisThread()) {
        ADD_FAILURE() << "message box shown while a busy flag is held: "
                      << Cp932ToUtf8Lossy(boxTextCp932);
    }
}

}  // namespace halvera::test
