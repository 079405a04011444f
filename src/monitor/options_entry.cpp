#include "monitor/options_entry.h"

namespace halvera {

OptionsEntry OptionsEntryOf(const AppSettings& settings) {
    OptionsEntry entry;
    entry.map = settings.MAP;
    entry.elist = settings.ELIST;
    entry.numbers = SettingTextsOf(settings, SettingCli::Options);
    entry.scroll = settings.SCROLL == 1;
    entry.sortAtStart = settings.BSORT != 0;
    entry.sort = settings.SORT;
    entry.pollAtStart = settings.BPOLING != 0;
    return entry;
}

}  // namespace halvera
