#include "events/popup_forwarder.h"

#include <gtest/gtest.h>

#include <vector>

#include "store/event_kind.h"
#include "support/recording_popup.h"

namespace halvera {
namespace {

using Request = test::RecordingPopup::Request;

TEST(PopupForwarder, PopupsReachTheRelayOnlyOnceItIsSet) {
    test::RecordingPopup relay;
    PopupForwarder forwarder;
    NodeRecord node;
    node.ip = MakeIp(192, 0, 2, 7);

    // Before the relay exists nothing is shown and nothing fails.
    forwarder.ShowPopupMessage(EVENT_NEW_NODE, node, "early");
    forwarder.SetTarget(&relay);
    forwarder.ShowPopupMessage(EVENT_NODE_DOWN, node, "down");
    EXPECT_EQ(relay.Requests(), (std::vector<Request>{{EVENT_NODE_DOWN, node.ip, "down"}}));
}

}  // namespace
}  // namespace halvera
