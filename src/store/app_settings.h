#pragma once

#include <cstdint>
#include <string>

namespace halvera {

// The settings of section "INIT" of Kelvane.ini, named by their keys. Colours are Windows
// colour values (0x00BBGGRR).
struct AppSettings {
    std::int32_t BCOLOR = 0xFFFFFF;
    std::int32_t BCOLOR2 = 0xE0E0E0;
    std::int32_t FCOLOR = 0x000000;
    std::int32_t SCOLOR = 0x0000FF;
    std::int32_t PCOLOR = 0xFF0000;
    std::int32_t NCOLOR = 0xC0C0C0;
    std::int32_t LOOKENABLE = 1;
    std::int32_t NEWENABLE = 1;
    std::int32_t LOOKTIME = 600;
    std::int32_t NEWTIME = 3600;
    std::int32_t LOOKTIMEUNIT = 60;
    std::int32_t NEWTIMEUNIT = 3600;
    std::int32_t MAP = 0xFFF;
    std::int32_t ELIST = 74;
    std::int32_t ELISTMAX = 100;
    std::int32_t BSORT = 0;
    std::int32_t SORT = 0;
    std::int32_t BPOLING = 0;
    std::int32_t WINS = 1;
    std::int32_t TIMEOUT = 100;
    std::int32_t RETRY = 3;
    std::int32_t PRINT = 0x3F7E;
    std::int32_t NODEDISP = 0;
    std::int32_t STBAR = 3;
    std::int32_t ALLEVENT = 1;
    std::int32_t ADPNUM = 0;
    std::string ADPNAME;  // at most 255 bytes
    std::int32_t CAPDRIV = 0;
    std::int32_t PROMISS = 7;
    std::int32_t MAPX = 0;
    std::int32_t MAPY = 0;
    std::int32_t SCROLL = 1;
    // Probe frames a second at most; a managed switch that inspects ARP tolerates this.
    std::int32_t SENDRATE = 1000;

    bool operator==(const AppSettings&) const = default;
};

}  // namespace halvera
