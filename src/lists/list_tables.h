#pragma once

#include "lists/list_columns.h"
#include "lists/list_table.h"
#include "lists/node_table.h"

namespace halvera {

// The five lists the program shows. One instance lives as long as the program; the stores
// and the runs write rows into it from any thread, the views mirror it.
struct ListTables {
    NodeTable nodeList;
    ListTable eventLog{EVENT_LOG_COLUMNS};
    ListTable errorLog{ERROR_LOG_COLUMNS};
    ListTable settingsInfo{SETTINGS_INFO_COLUMNS};
    ListTable eventList{EVENT_LIST_COLUMNS};
};

}  // namespace halvera
