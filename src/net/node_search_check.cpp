#include "net/node_search_check.h"

#include "base/text_codec.h"
#include "net/node_identification.h"

namespace halvera {
namespace {

NodeSearchCheck Refuse(NodeSearchCheck::Outcome outcome, const char* utf8) {
    return {outcome, 0, Sjis(utf8)};
}

}  // namespace

NodeSearchCheck CheckNodeSearchText(std::string_view text, HostResolver& resolver, Ipv4 ownIp,
                                    Ipv4 mask) {
    if (text.empty()) {
        return Refuse(NodeSearchCheck::SEARCH_STAY_OPEN, "検索するノードを指定してください。");
    }
    auto entry = resolver.AddressesOfName(Cp932ToUtf8Lossy(text));
    if (!entry || entry->addresses.empty()) {
        return Refuse(NodeSearchCheck::SEARCH_CANCEL,
                      "ノード検索が行えませんでした。（名前の変換に失敗しました）");
    }
    Ipv4 address = entry->addresses.front();
    unsigned lastByte = HostOrder(address) & 0xFFu;
    if (lastByte == 0 || lastByte == 255) {
        return Refuse(NodeSearchCheck::SEARCH_CANCEL, "検索指定先が不正です。");
    }
    if (IsOutsideSubnet(address, ownIp, mask)) {
        return Refuse(NodeSearchCheck::SEARCH_CANCEL, "サブネット外のノードは検索できません。");
    }
    return {NodeSearchCheck::SEARCH_OK, address, {}};
}

}  // namespace halvera
