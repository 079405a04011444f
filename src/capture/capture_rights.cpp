#include "capture/capture_rights.h"

#include <sys/capability.h>
#include <sys/prctl.h>

namespace halvera {
namespace {

const cap_value_t RAW_FRAMES[] = {CAP_NET_RAW};

bool SetRawFrames(cap_flag_value_t effective) {
    cap_t now = cap_get_proc();
    if (now == nullptr) {
        return false;
    }
    cap_flag_value_t permitted = CAP_CLEAR;
    cap_get_flag(now, CAP_NET_RAW, CAP_PERMITTED, &permitted);
    cap_t wanted = cap_init();
    bool ok = wanted != nullptr;
    if (ok && permitted == CAP_SET) {
        ok = cap_set_flag(wanted, CAP_PERMITTED, 1, RAW_FRAMES, CAP_SET) == 0 &&
             cap_set_flag(wanted, CAP_EFFECTIVE, 1, RAW_FRAMES, effective) == 0;
    }
    ok = ok && cap_set_proc(wanted) == 0;
    cap_free(wanted);
    cap_free(now);
    return ok;
}

}  // namespace

bool LimitToRawFrameRights() {
    if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 ||
        prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_CLEAR_ALL, 0, 0, 0) != 0) {
        return false;
    }
    return SetRawFrames(CAP_CLEAR);
}

void WithRawFrameRights(const std::function<void()>& action) {
    SetRawFrames(CAP_SET);
    action();
    SetRawFrames(CAP_CLEAR);
}

}  // namespace halvera
