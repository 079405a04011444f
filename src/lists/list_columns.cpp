#include "lists/list_columns.h"

#include <array>

namespace halvera {
namespace {

// The PRINT bits do not follow the display order: 0x20 and 0x80 name no column, and the host
// name's bit lies above those of the domain and the vendor.
constexpr std::array<ListColumn, NODE_LIST_COLUMNS> NODE_LIST = {{
    {"監視", 50, 0, 0x1},
    {"ラベル", 120, 0x1, 0x2},
    {"B47", 34, 0x2, 0x4},
    {"B16", 34, 0x4, 0x8},
    {"B8", 34, 0x8, 0x10},
    {"アドレス", 120, 0x20, 0x40},
    {"MAC アドレス", 130, 0x40, 0x100},
    {"ホスト名", 120, 0x80, 0x800},
    {"ドメイン or ワークグループ", 120, 0x100, 0x200},
    {"ベンダー名", 120, 0x200, 0x400},
    {"検出日", 120, 0x400, 0x1000},
    {"更新日", 120, 0x800, 0x2000},
    {"ST", 30, 0, 0},
}};

constexpr std::array<ListColumn, EVENT_LIST_COLUMNS> EVENT_LIST = {{
    {"イベント", 120, 0, 0},
    {"日付 時間", 120, 0, 0},
    {"ラベル", 120, 0x1, 0},
    {"アドレス", 120, 0x2, 0},
    {"MAC アドレス", 130, 0x4, 0},
    {"ホスト名", 120, 0x8, 0},
    {"ドメイン or ワークグループ", 120, 0x10, 0},
    {"ベンダー名", 120, 0x20, 0},
    {"情報", 700, 0x40, 0},
}};

constexpr std::array<ListColumn, EVENT_LOG_COLUMNS> EVENT_LOG = {{
    {"イベント", 120, 0, 0},
    {"日付 時間", 120, 0, 0},
    {"アドレス", 100, 0, 0},
    {"ホスト名", 100, 0, 0},
    {"情報", 700, 0, 0},
}};

constexpr std::array<ListColumn, ERROR_LOG_COLUMNS> ERROR_LOG = {{
    {"アクション", 120, 0, 0},
    {"日付 時間", 120, 0, 0},
    {"情報", 600, 0, 0},
}};

constexpr std::array<ListColumn, SETTINGS_INFO_COLUMNS> SETTINGS_INFO = {{
    {"設定", 180, 0, 0},
    {"値", 180, 0, 0},
    {"設定", 180, 0, 0},
    {"値", 400, 0, 0},
}};

}  // namespace

std::span<const ListColumn> NodeListColumns() {
    return NODE_LIST;
}

std::span<const ListColumn> EventListColumns() {
    return EVENT_LIST;
}

std::span<const ListColumn> EventLogColumns() {
    return EVENT_LOG;
}

std::span<const ListColumn> ErrorLogColumns() {
    return ERROR_LOG;
}

std::span<const ListColumn> SettingsInfoColumns() {
    return SETTINGS_INFO;
}

}  // namespace halvera
