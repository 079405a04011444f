#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "events/popup_port.h"

namespace halvera::test {

// Keeps every popup request (kind, node address, text) instead of showing it.
class RecordingPopup : public PopupPort {
  public:
    struct Request {
        int kind;
        Ipv4 ip;
        std::string text;
        bool operator==(const Request&) const = default;
    };

    void ShowPopupMessage(int kind, const NodeRecord& node, std::string_view popupText) override {
        if (onRequest) {
            onRequest();
        }
        std::lock_guard lock(m_mutex);
        m_requests.push_back({kind, node.ip, std::string(popupText)});
    }
    std::vector<Request> Requests() const {
        std::lock_guard lock(m_mutex);
        return m_requests;
    }

    // Runs at each request, before it is kept: tests that follow the order of actions.
    std::function<void()> onRequest;

  private:
    mutable std::mutex m_mutex;
    std::vector<Request> m_requests;
};

}  // namespace halvera::test
