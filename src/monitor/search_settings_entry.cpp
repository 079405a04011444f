#include "monitor/search_settings_entry.h"

#include "store/search_settings_check.h"

namespace halvera {
SearchSettingsEntry SearchSettingsEntryOf(const AppSettings& settings) {
    SearchSettingsEntry entry;
    entry.newEnable = settings.NEWENABLE != 0;
    entry.newUnit = PollUnitIndex(settings.NEWTIMEUNIT);
    entry.newTime = std::to_string(entry.newUnit < 0 ? settings.NEWTIME
                                                     : settings.NEWTIME / settings.NEWTIMEUNIT);
    entry.lookEnable = settings.LOOKENABLE != 0;
    entry.lookUnit = PollUnitIndex(settings.LOOKTIMEUNIT);
    entry.lookTime = std::to_string(entry.lookUnit < 0 ? settings.LOOKTIME
                                                       : settings.LOOKTIME / settings.LOOKTIMEUNIT);
    entry.nodeDisp = settings.NODEDISP != 0;
    entry.numbers = SettingTextsOf(settings, SettingCli::Settings);
    return entry;
}

}  // namespace halvera
