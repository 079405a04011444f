#include "net/local_adapter_info.h"

#include "base/text_codec.h"
#include "net/netmon_log.h"

namespace halvera {

bool CheckRawSocket(PacketDriver& driver, ErrorLog& errorLog) {
    switch (driver.TryRawSocket()) {
        case RawSocketCheck::Allowed:
            return true;
        case RawSocketCheck::SocketRefused:
            errorLog.WriteErrorLog(NETMON_TAG, "Create Socket Error");
            return false;
        case RawSocketCheck::OptionRefused:
            errorLog.WriteErrorLog(NETMON_TAG, "Create Setsockopt Error");
            return false;
    }
    return false;
}

int ReadLocalAdapter(PacketDriver& driver, int adpnum, ErrorLog& errorLog, LocalAdapterInfo& info) {
    if (!CheckRawSocket(driver, errorLog)) {
        errorLog.WriteErrorLog(NETMON_TAG, Sjis("Create Socket Error。"));
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
