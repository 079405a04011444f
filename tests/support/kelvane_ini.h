#pragma once

#include <string>

namespace halvera::test {

// Kelvane.ini as SaveSettings writes it with every setting at its default but the colours,
// given as their lines ("BCOLOR=...\r\n" up to "NCOLOR=...\r\n", in the file's order).
inline std::string KelvaneIniWithColours(const std::string& colourLines) {
    return "[INIT]\r\n" + colourLines +
           "LOOKENABLE=1\r\nNEWENABLE=1\r\nLOOKTIME=600\r\nNEWTIME=3600\r\nLOOKTIMEUNIT=60\r\n"
           "NEWTIMEUNIT=3600\r\nMAP=4095\r\nELIST=74\r\nELISTMAX=100\r\nBSORT=0\r\nSORT=0\r\n"
           "BPOLING=0\r\nWINS=1\r\nTIMEOUT=100\r\nRETRY=3\r\nPRINT=16254\r\nNODEDISP=0\r\n"
           "STBAR=3\r\nALLEVENT=1\r\nADPNUM=0\r\nADPNAME=\r\nCAPDRIV=0\r\nPROMISS=7\r\nMAPX=0\r\n"
           "MAPY=0\r\nSCROLL=1\r\nSENDRATE=1000\r\n";
}

// The colour lines of the standard white scheme, the defaults.
inline const char* const LIGHT_SCHEME_LINES =
    "BCOLOR=16777215\r\nBCOLOR2=14737632\r\nFCOLOR=0\r\nSCOLOR=255\r\nPCOLOR=16711680\r\n"
    "NCOLOR=12632256\r\n";

// The colour lines of the standard black scheme.
inline const char* const DARK_SCHEME_LINES =
    "BCOLOR=0\r\nBCOLOR2=2105376\r\nFCOLOR=12632256\r\nSCOLOR=255\r\nPCOLOR=16711680\r\n"
    "NCOLOR=4210752\r\n";

}  // namespace halvera::test
