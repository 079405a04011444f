#include "monitor/options_entry.h"

namespace halvera {

OptionsEntry OptionsEntryOf(const AppSettings& settings) {
    OptionsEntry entry;
    entry.map = settings.MAP;
    entry.elist = settings.ELIST;
    entry.eventRows = std::to_string(settings.ELISTMAX);
    entry.scroll = settings.SCROLL == 1;
    entry.sortAtStart = settings.BSORT != 0;
    entry.sort = settings.SORT;
    entry.pollAtStart = settings.BPOLING != 0;
    return entry;
}

}  // namespace halvera
