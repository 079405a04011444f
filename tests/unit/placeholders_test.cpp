#include "events/placeholders.h"

#include <gtest/gtest.h>

#include <string>

#include "base/program_folder.h"
#include "base/text_codec.h"
#include "support/file_bytes.h"
#include "support/fixed_clock.h"
#include "support/temp_program_folder.h"

namespace halvera {
namespace {

const MacAddress LISTED_MAC{0x00, 0x0A, 0x1B, 0x2C, 0x3D, 0x4E};
const MacAddress UNLISTED_MAC{0x12, 0x34, 0x56, 0x00, 0x00, 0x01};
const MacAddress ZERO_PREFIX_MAC{0x00, 0x00, 0x00, 0x11, 0x22, 0x33};

class PlaceholdersTest : public testing::Test {
  protected:
    PlaceholdersTest() : m_clock(2005, 4, 1, 9, 5, 0), m_scoped(m_clock) {
        test::WriteBytes(ProgramFolder() / "maclist.ini", "[MAC]\r\n000A1B=SomeVendor\r\n");
        m_node.label = "LAB";
        m_node.ip = MakeIp(192, 168, 0, 5);
        m_node.mac = LISTED_MAC;
        m_node.host = "PC01";
        m_node.vendor = "stored vendor";
    }

    test::TempProgramFolder m_folder;
    test::FixedClock m_clock;
    test::ScopedClock m_scoped;
    NodeRecord m_node;
};

TEST_F(PlaceholdersTest, ExpandsEachNameInItsPlace) {
    struct Case {
        std::string text;
        MacAddress mac;
        std::string expected;
    };
    const Case cases[] = {
        {"%LABEL %IP %MAC %HOST %VEN %DATE %TIME", LISTED_MAC,
         "LAB 192.168.0.5 00-0A-1B-2C-3D-4E PC01 SomeVendor 2005/04/01 09:05:00"},
        {"%ip %Label %Ip", LISTED_MAC, "%ip %Label %Ip"},
        {"%%IP", LISTED_MAC, "%192.168.0.5"},
        {"100%", LISTED_MAC, "100%"},
        {"%", LISTED_MAC, "%"},
        {"%HOSTname", LISTED_MAC, "PC01name"},
        {"%IPX%MACX", LISTED_MAC, "192.168.0.5X00-0A-1B-2C-3D-4EX"},
        {"%VEN", UNLISTED_MAC, "12-34-56-00-00-01"},
        {"%VEN", ZERO_PREFIX_MAC, "00-00-00-11-22-33"},
        {"%MAC", MacAddress{}, "00-00-00-00-00-00"},
        {Sjis("検出 %HOST さん"), LISTED_MAC, Sjis("検出 PC01 さん")},
        {"", LISTED_MAC, ""},
        {"\x81%IP", LISTED_MAC,
         "\x81"
         "192.168.0.5"},  // a stray lead byte does not hide a name
        // 0x7F is no trail byte: the lead stands alone and the name after it is expanded.
        {"\x81\x7F%IP", LISTED_MAC,
         "\x81\x7F"
         "192.168.0.5"},
        {"\x81\x7F", LISTED_MAC, "\x81\x7F"},
    };
    for (const Case& c : cases) {
        m_node.mac = c.mac;
        EXPECT_EQ(ExpandPlaceholders(m_node, c.text, MESSAGE_OUT_SIZE), c.expected) << c.text;
    }
}

TEST_F(PlaceholdersTest, VendorFallsBackToTheMacTextWithoutATable) {
    std::filesystem::remove(ProgramFolder() / "maclist.ini");
    EXPECT_EQ(ExpandPlaceholders(m_node, "%VEN", MESSAGE_OUT_SIZE), "00-0A-1B-2C-3D-4E");
}

TEST_F(PlaceholdersTest, OutputFitsTheBufferAndStopsAtAReplacementThatDoesNot) {
    struct Case {
        std::string text;
        std::size_t outSize;
        std::string expected;
    };
    const Case cases[] = {
        // "ab" + 11 bytes of address need 13 bytes and the terminator.
        {"ab%IPcd", 14, "ab192.168.0.5"},
        {"ab%IPcd", 13, "ab"},
        {"ab%IPcd%HOST", 16, "ab192.168.0.5cd"},
        {"ab%HOST%IP", 8, "abPC01"},  // nothing after the address that did not fit
        {"abcdef", 4, "abc"},
        {Sjis("aあ"), 3, "a"},  // never half a two-byte character
        {Sjis("aあ"), 4, Sjis("aあ")},
        {"abc", 1, ""},
        {"abc", 0, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ExpandPlaceholders(m_node, c.text, c.outSize), c.expected)
            << c.text << " in " << c.outSize;
    }
}

}  // namespace
}  // namespace halvera
