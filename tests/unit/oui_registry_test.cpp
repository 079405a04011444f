#include "net/oui_registry.h"

#include <gtest/gtest.h>

#include <string>

#include "base/program_folder.h"
#include "base/text_codec.h"
#include "store/vendor_table.h"
#include "support/file_bytes.h"
#include "support/temp_program_folder.h"

namespace halvera {
namespace {

// The shape of Debian's oui.txt: a header, then per prefix a "(hex)" line, a "(base 16)"
// line with the name and the address lines; CR LF.
const std::string SAMPLE =
    "OUI/MA-L                                                    Organization\r\n"
    "company_id                                                  Organization\r\n"
    "                                                            Address\r\n"
    "\r\n"
    "00-22-72   (hex)\t\tAmerican Micro-Fuel Device Corp.\r\n"
    "002272     (base 16)\t\tAmerican Micro-Fuel Device Corp.\r\n"
    "\t\t\t\t2181 Buchanan Loop\r\n"
    "\t\t\t\tFerndale  WA  98248\r\n"
    "\t\t\t\tUS\r\n"
    "\r\n"
    "68A40E     (base 16)\t\tBSH Hausger\xC3\xA4te GmbH\r\n"
    "0001C8     (base 16)\t\tTHOMAS CONRAD CORP.\r\n"
    "0001C8     (base 16)\t\tCONRAD CORP.\r\n"
    "a81758     (base 16)\t\t Elektronik=System\x01i\nUme\xC3\xA5 AB\r\n"
    "FFFFFF     (base 16)\t\t  \r\n"
    "XYZ123     (base 16)\t\tNot a prefix\r\n"
    "123456     (hex)\t\tOnly the hex form\r\n"
    "3C2C94     (base 16)\t\t\xE6\x9D\xAD\xE5\xB7\x9E\xE6\xBE\x9C\xE7\xA7\x91\xE6\x8A\x80\r\n"
    "F4BD9E     (base 16)\t\tA very long organisation name that goes on and on\r\n";

TEST(OuiRegistry, BuildsTheVendorTableFromTheRegistryListing) {
    std::size_t entries = 0;
    std::string table = BuildMaclist(SAMPLE, &entries);
    // "a81758" holds a newline of its own: its name ends there, the rest is not a prefix.
    EXPECT_EQ(table,
              "[MAC]\r\n"
              "0001C8=THOMAS CONRAD CORP.\r\n"
              "002272=American Micro-Fuel Device Corp.\r\n"
              "3C2C94=" +
                  Sjis("杭州?科技") +
                  "\r\n"
                  "68A40E=BSH Hausgerate GmbH\r\n"
                  "A81758=Elektronik=System i\r\n"
                  "F4BD9E=A very long organisation name that\r\n");
    EXPECT_EQ(entries, 6u);
}

TEST(OuiRegistry, VendorNamesBecomeSafeCp932TableValues) {
    struct Case {
        std::string utf8;
        std::string expected;
    };
    const Case cases[] = {
        {"Weidm\xC3\xBCller Interface", "Weidmuller Interface"},
        {"Stra\xC3\x9F"
         "e \xC3\x86gir",
         "Strasse AEgir"},
        {"\xC4\xB0stanbul \xC5\x9E"
         "irket",
         "Istanbul Sirket"},
        {"Cafe\xCC\x81", "Cafe"},                  // combining mark dropped
        {"\xC2\xA0Padded\xC2\xA0 ", "Padded"},     // no-break blanks trimmed
        {"Tab\tCR\rLF\nEnd", "Tab CR LF End"},     // stays on its line
        {"CO.\xEF\xBC\x8CLTD", Sjis("CO.，LTD")},  // full-width comma kept
        {"Bingo\xC2\xAE", "Bingo?"},               // no CP932 form
        {"Bad \xFF byte", "Bad ? byte"},           // not UTF-8
        {"Cut \xE2\x80\x93 dash", "Cut - dash"},
        {std::string(33, 'x') + "\xE3\x81\x82", std::string(33, 'x') + Sjis("あ")},
        {std::string(34, 'x') + "\xE3\x81\x82", std::string(34, 'x')},  // no half character
        {std::string(34, 'x') + " y", std::string(34, 'x')},            // no trailing blank
    };
    for (const Case& c : cases) {
        EXPECT_EQ(VendorNameCp932(c.utf8), c.expected) << c.utf8;
    }
}

TEST(OuiRegistry, GeneratedTableServesTheVendorLookup) {
    test::TempProgramFolder folder;
    test::WriteBytes(ProgramFolder() / "maclist.ini", BuildMaclist(SAMPLE));
    struct Case {
        MacAddress mac;
        std::string expected;
    };
    const Case cases[] = {
        {{0xA8, 0x17, 0x58, 1, 2, 3}, "Elektronik=System i"},
        {{0x00, 0x01, 0xC8, 1, 2, 3}, "THOMAS CONRAD CORP."},
        {{0xFF, 0xFF, 0xFF, 1, 2, 3}, ""},
    };
    for (const Case& c : cases) {
        std::string vendor = "old";
        LookupVendor(c.mac, vendor);
        EXPECT_EQ(vendor, c.expected) << FormatMac(c.mac);
    }
}

}  // namespace
}  // namespace halvera
