#pragma once

#include <array>
#include <utility>
#include <vector>

#include "base/ip_address.h"
#include "lists/list_table.h"
#include "store/app_settings.h"
#include "store/event_kind.h"
#include "store/event_settings.h"
#include "store/event_settings_store.h"
#include "store/mail_settings.h"
#include "store/range_store.h"
#include "store/settings_store.h"

namespace halvera {

// One address range: start and end.
using AddressRange = std::pair<Ipv4, Ipv4>;

// What the settings information list summarises.
struct SettingsSummaryData {
    AppSettings app;
    MailSettings mail;
    std::vector<AddressRange> searchRanges;
    std::vector<AddressRange> actionRanges;
    std::array<EventSettings, EVENT_KIND_COUNT> events;
};

// The rows of the settings information list (four columns: setting and value, twice). The
// left pair lists the search, sniffing and mail settings, the right pair the event
// settings and the action node ranges; each pair runs from row 0 down on its own. The mail
// password is shown masked.
std::vector<ListRow> BuildSettingsSummary(const SettingsSummaryData& data);

// Every range of a range list, in list order.
std::vector<AddressRange> ReadAllRanges(RangeStore& ranges);

// Rebuilds the settings information list from the stores.
void RefreshSettingsSummary(ListTable& settingsInfo, const SettingsStore& settings,
                            RangeStore& searchRanges, RangeStore& actionRanges,
                            EventSettingsStore& eventSettings);

}  // namespace halvera
