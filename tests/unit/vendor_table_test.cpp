#include "store/vendor_table.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "base/program_folder.h"
#include "base/text_codec.h"
#include "support/file_bytes.h"
#include "support/temp_program_folder.h"

namespace halvera {
namespace {

using test::WriteBytes;

MacAddress Mac(std::uint8_t a, std::uint8_t b, std::uint8_t c) {
    return {a, b, c, 0x2C, 0x3D, 0x4E};
}

class VendorTableTest : public testing::Test {
  protected:
    std::filesystem::path TablePath() const { return ProgramFolder() / "maclist.ini"; }

    std::string Lookup(const MacAddress& mac, std::string vendor = "old") {
        LookupVendor(mac, vendor);
        return vendor;
    }

    test::TempProgramFolder m_folder;
};

TEST_F(VendorTableTest, LooksPrefixesUpAsTheTableLists) {
    const std::string name40(40, 'n');
    const std::string wide = std::string(34, 'w') + Sjis("あ");
    WriteBytes(TablePath(),
               "; vendor table\r\n"
               "[OTHER]\r\n"
               "123456=Not in MAC\r\n"
               "[mac]\r\n"
               "000A1B=SomeVendor\r\n"
               "0a0b0c = lower case key \r\n"
               "112233=A=B\r\n"
               "445566=" +
                   name40 + "\r\n" + "778899=" + wide +
                   "\r\n"
                   "000A1B=Second entry\r\n"
                   "ABCDEF\r\n"
                   "ABCDE=short key\r\n"
                   ";CCCCCC=commented out\r\n"
                   "DDDDDD=\"quoted\"\n"
                   "=EEEEEE\r\n"
                   "[OTHER]\r\n"
                   "FFFFFF=Other section\r\n"
                   "[MAC\r\n"
                   "F0F0F0=After an unclosed section line\r\n"
                   "  [ Mac ]  \r\n"
                   "0a0b0c=Second MAC section, listed already\r\n"
                   "A0A0A0 = 'single quotes' ");
    struct Case {
        MacAddress mac;
        std::string expected;
    };
    const Case cases[] = {
        {Mac(0x00, 0x0A, 0x1B), "SomeVendor"},
        {Mac(0x00, 0x00, 0x00), "old"},  // no prefix: left as it was
        {Mac(0x12, 0x34, 0x56), ""},     // unlisted (only another section has it)
        {Mac(0x0A, 0x0B, 0x0C), "lower case key"},
        {Mac(0x11, 0x22, 0x33), "A=B"},
        {Mac(0x44, 0x55, 0x66), name40.substr(0, 35)},
        {Mac(0x77, 0x88, 0x99), std::string(34, 'w')},  // never half a two-byte character
        {Mac(0xAB, 0xCD, 0xEF), ""},
        {Mac(0x0A, 0xBC, 0xDE), ""},
        {Mac(0xCC, 0xCC, 0xCC), ""},
        {Mac(0xDD, 0xDD, 0xDD), "quoted"},
        {Mac(0xEE, 0xEE, 0xEE), ""},
        {Mac(0xFF, 0xFF, 0xFF), ""},
        {Mac(0xF0, 0xF0, 0xF0), ""},  // still in OTHER
        {Mac(0xA0, 0xA0, 0xA0), "single quotes"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Lookup(c.mac), c.expected) << FormatMac(c.mac);
    }
}

TEST_F(VendorTableTest, WithoutATableVendorsStayAsTheyWere) {
    EXPECT_EQ(Lookup(Mac(0x00, 0x0A, 0x1B)), "old");
    std::filesystem::create_directory(TablePath());
    EXPECT_EQ(Lookup(Mac(0x00, 0x0A, 0x1B)), "old");
}

TEST_F(VendorTableTest, ReloadsWhenTheFileChangesInTimeOrSize) {
    const MacAddress mac = Mac(0x00, 0x0A, 0x1B);
    WriteBytes(TablePath(), "[MAC]\r\n000A1B=First\r\n");
    const auto written = std::filesystem::last_write_time(TablePath());
    EXPECT_EQ(Lookup(mac), "First");

    // Same size and time: the parsed table is kept, the file is not read again.
    WriteBytes(TablePath(), "[MAC]\r\n000A1B=Fresh\r\n");
    std::filesystem::last_write_time(TablePath(), written);
    EXPECT_EQ(Lookup(mac), "First");

    std::filesystem::last_write_time(TablePath(), written + std::chrono::seconds(1));
    EXPECT_EQ(Lookup(mac), "Fresh");

    WriteBytes(TablePath(), "[MAC]\r\n000A1B=Longer name\r\n");
    std::filesystem::last_write_time(TablePath(), written + std::chrono::seconds(1));
    EXPECT_EQ(Lookup(mac), "Longer name");

    std::filesystem::remove(TablePath());
    EXPECT_EQ(Lookup(mac), "old");
}

TEST_F(VendorTableTest, FollowsTheProgramFolder) {
    WriteBytes(TablePath(), "[MAC]\r\n000A1B=Here\r\n");
    EXPECT_EQ(Lookup(Mac(0x00, 0x0A, 0x1B)), "Here");
    test::TempProgramFolder other;
    WriteBytes(TablePath(), "[MAC]\r\n000A1B=There\r\n");
    EXPECT_EQ(Lookup(Mac(0x00, 0x0A, 0x1B)), "There");
}

TEST_F(VendorTableTest, LookupsOnManyThreadsWhileTheTableChanges) {
    const std::string tables[] = {"[MAC]\r\n000A1B=One\r\n", "[MAC]\r\n000A1B=Other\r\n"};
    WriteBytes(TablePath(), tables[0]);
    std::atomic<bool> stop{false};
    std::atomic<int> wrong{0};
    std::vector<std::thread> readers;
    for (int t = 0; t < 4; ++t) {
        readers.emplace_back([&] {
            while (!stop) {
                std::string vendor = Lookup(Mac(0x00, 0x0A, 0x1B));
                // A reader may meet the file half written: then the prefix is not listed.
                if (vendor != "One" && vendor != "Other" && !vendor.empty()) {
                    ++wrong;
                }
            }
        });
    }
    for (int i = 0; i < 50; ++i) {
        WriteBytes(TablePath(), tables[i % 2]);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    stop = true;
    for (auto& reader : readers) {
        reader.join();
    }
    EXPECT_EQ(wrong, 0);
}

}  // namespace
}  // namespace halvera
