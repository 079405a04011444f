#include "net/local_adapter_info.h"

#include "base/text_codec.h"
#include "net/netmon_log.h"

namespace halvera {

bool CheckRawSocket(PacketDriver& driver, ErrorLog& errorLog, RawSocketCheck* rights) {
    const RawSocketCheck check = driver.TryRawSocket();
    if (rights != nullptr) {
        *rights = check;
    }
    switch (check) {
        case RawSocketCheck::Allowed:
            return true;
        case RawSocketCheck::OptionRefused:
            errorLog.WriteErrorLog(NETMON_TAG, "Create Setsockopt Error");
            return false;
        case RawSocketCheck::HelperNotPermitted:
            errorLog.WriteErrorLog(NETMON_TAG, "halvera-capture: permission denied");
            return false;
        case RawSocketCheck::HelperMissing:
            errorLog.WriteErrorLog(NETMON_TAG, "halvera-capture: not found or not answering");
            return false;
        case RawSocketCheck::SocketRefused:
            break;
    }
    errorLog.WriteErrorLog(NETMON_TAG, "Create Socket Error");
    return false;
}

std::string RawRightsAdvice(RawSocketCheck check) {
    switch (check) {
        case RawSocketCheck::Allowed:
            return {};
        case RawSocketCheck::HelperNotPermitted:
            return Sjis(
                "ネットワークを検索する権限がありません。\n"
                "halvera グループに参加して、ログインし直してください。\n"
                "（halvera-capture を実行できません）");
        case RawSocketCheck::HelperMissing:
            return Sjis(
                "ネットワークを検索できません。\n"
                "セットアップを実行してください。\n"
                "（halvera-capture が見つからないか、応答しません）");
        case RawSocketCheck::SocketRefused:
        case RawSocketCheck::OptionRefused:
            break;
    }
    return Sjis(
        "ネットワークを検索する権限がありません。\n"
        "セットアップを実行して権限を与えてください。\n"
        "（halvera-capture にフレームを送受信する権限がありません）");
}

int ReadLocalAdapter(PacketDriver& driver, int adpnum, ErrorLog& errorLog, LocalAdapterInfo& info,
                     RawSocketCheck* rights) {
    if (!CheckRawSocket(driver, errorLog, rights)) {
        return 1;
    }
    auto adapters = driver.Adapters();
    if (!adapters) {
        errorLog.WriteErrorLog(NETMON_TAG, Sjis("アダプタ情報が取得できません。"));
        return 1;
    }
    if (adpnum < 0 || adpnum >= static_cast<int>(adapters->size())) {
        return 1;
    }
    // The own address comes from the same interface as mask and MAC: the resolver's
    // answer for the host name is a loopback address on many systems.
    const CaptureAdapter& chosen = (*adapters)[adpnum];
    info.ownAddress = chosen.address;
    info.subnetMask = chosen.mask;
    info.ownMac = chosen.mac;
    return 0;
}

}  // namespace halvera
