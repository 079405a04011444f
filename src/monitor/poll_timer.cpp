#include "monitor/poll_timer.h"

#include <cstdio>

#include "base/text_codec.h"

namespace halvera {
namespace {

std::string Countdown(int seconds) {
    char text[64];
    std::snprintf(text, sizeof text, "%02d：%02d：%02d", seconds / 3600, seconds / 60 % 60,
                  seconds % 60);
    return text;
}

}  // namespace

void PollTimer::Load(const AppSettings& settings) {
    m_detectionCountdown = settings.NEWTIME;
    m_statusCountdown = settings.LOOKTIME;
}

void PollTimer::SetCountdowns(int detection, int status) {
    m_detectionCountdown = detection;
    m_statusCountdown = status;
}

PollTimer::TickResult PollTimer::Tick(const AppSettings& settings, bool manualRun, bool runActive) {
    if (settings.NEWENABLE != 0 && m_detectionCountdown > 0) {
        --m_detectionCountdown;
    }
    if (settings.LOOKENABLE != 0 && m_statusCountdown > 0) {
        --m_statusCountdown;
    }
    TickResult result;
    if (manualRun || runActive) {
        return result;
    }
    result.statusText = PollingStatusText(m_detectionCountdown, m_statusCountdown);
    result.showStatus = (settings.STBAR & 2) != 0;
    if (m_detectionCountdown == 0) {
        result.start = START_RANGE_SEARCH;
        m_detectionCountdown = settings.NEWTIME;
    } else if (m_statusCountdown == 0) {
        result.start = START_LIST_REFRESH;
        m_statusCountdown = settings.LOOKTIME;
    }
    return result;
}

std::string PollingStatusText(int detectionCountdown, int statusCountdown) {
    return Sjis("ポーリングタイマ－： " + Countdown(detectionCountdown) + " / " +
                Countdown(statusCountdown));
}

}  // namespace halvera
