#pragma once

// The settings of section "INIT" of Kelvane.ini, one row a key, in the order the file is read
// and written. NUMBER(KEY, default, rules) is a number, TEXT(KEY, default, most bytes) the one
// text. The rules (a SettingRules, see settings_schema.h) say what holds the value to a range,
// how a dialog or halvera-cli refuses a value, and where the CLI and the settings summary show
// it. Colours are Windows colour values (0x00BBGGRR). Adding a key is adding its row here.
// clang-format off
#define HALVERA_APP_SETTINGS(NUMBER, TEXT)                                                         \
    NUMBER(BCOLOR, 0xFFFFFF, {})                                                                   \
    NUMBER(BCOLOR2, 0xE0E0E0, {})                                                                  \
    NUMBER(FCOLOR, 0x000000, {})                                                                   \
    NUMBER(SCOLOR, 0x0000FF, {})                                                                   \
    NUMBER(PCOLOR, 0xFF0000, {})                                                                   \
    NUMBER(NCOLOR, 0xC0C0C0, {})                                                                   \
    NUMBER(LOOKENABLE, 1, {})                                                                      \
    NUMBER(NEWENABLE, 1, {})                                                                       \
    NUMBER(LOOKTIME, 600, {})                                                                      \
    NUMBER(NEWTIME, 3600, {})                                                                      \
    NUMBER(LOOKTIMEUNIT, 60, {})                                                                   \
    NUMBER(NEWTIMEUNIT, 3600, {})                                                                  \
    NUMBER(MAP, 0xFFF, {})                                                                         \
    NUMBER(ELIST, 74, {})                                                                          \
    /* One beyond its range lets the event list grow without end. */                               \
    NUMBER(ELISTMAX, 100,                                                                          \
           (SettingRules{.range = SettingRange{1, 65535},                                                      \
                         .refusal = "イベントリスト表示数を1～65535以内で指定してください。",      \
                         .cli = SettingCli::Options}))                                             \
    NUMBER(BSORT, 0, {})                                                                           \
    NUMBER(SORT, 0, {})                                                                            \
    NUMBER(BPOLING, 0, {})                                                                         \
    NUMBER(WINS, 1, {})                                                                            \
    /* Probe answers are waited for this long (msec); one beyond its range can keep a search   */ \
    /* on one address for ever.                                                                */ \
    NUMBER(TIMEOUT, 100,                                                                           \
           (SettingRules{.range = SettingRange{1, 60000},                                                      \
                         .refusal = "タイムアウト値が不正です。(1～60000msec)",                    \
                         .cli = SettingCli::Settings,                                              \
                         .cliHelp = "1-60000 msec",                                                \
                         .summary = "　タイムアウト",                                              \
                         .unit = " msec"}))                                                        \
    NUMBER(RETRY, 3,                                                                               \
           (SettingRules{.range = SettingRange{0, 100},                                                        \
                         .refusal = "再送回数が不正です。(0～100回)",                              \
                         .cli = SettingCli::Settings,                                              \
                         .cliHelp = "0-100",                                                       \
                         .summary = "　再送回数",                                                  \
                         .unit = " 回"}))                                                          \
    NUMBER(PRINT, 0x3F7E, {})                                                                      \
    NUMBER(NODEDISP, 0, {})                                                                        \
    NUMBER(STBAR, 3, {})                                                                           \
    NUMBER(ALLEVENT, 1, {})                                                                        \
    NUMBER(ADPNUM, 0, {})                                                                          \
    TEXT(ADPNAME, "", 255)                                                                         \
    NUMBER(CAPDRIV, 0, {})                                                                         \
    NUMBER(PROMISS, 7, {})                                                                         \
    NUMBER(MAPX, 0, {})                                                                            \
    NUMBER(MAPY, 0, {})                                                                            \
    NUMBER(SCROLL, 1, {})                                                                          \
    /* Probe frames a second at most; a managed switch that inspects ARP tolerates the       */   \
    /* default. Added after the first release: a file without it reads the default.          */   \
    NUMBER(SENDRATE, 1000,                                                                         \
           (SettingRules{.range = SettingRange{1, 100000},                                                     \
                         .addedLater = true,                                                       \
                         .refusal = "送信レートが不正です。(1～100000フレーム/秒)",                \
                         .cli = SettingCli::Settings,                                              \
                         .cliHelp = "1-100000 probe frames a second"}))
// clang-format on
