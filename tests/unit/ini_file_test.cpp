#include "base/ini_file.h"

#include <gtest/gtest.h>

#include "support/file_bytes.h"
#include "support/temp_program_folder.h"

namespace halvera {
namespace {

TEST(IniFile, ReadsLikeProfileFiles) {
    IniFile ini = IniFile::Parse(
        "; comment\r\n"
        "[init]\r\n"
        "  bcolor = 255 \r\n"
        "ADPNAME=\"eth0 (wired)\"\r\n"
        "BCOLOR=1\r\n"
        "novalue\r\n"
        "[MAC]\n"
        "000A1B=SomeVendor\n");
    EXPECT_EQ(ini.Find("INIT", "BCOLOR"), "255");  // case-insensitive, first one wins
    EXPECT_EQ(ini.Find("Init", "adpname"), "eth0 (wired)");
    EXPECT_EQ(ini.Find("MAC", "000a1b"), "SomeVendor");
    EXPECT_FALSE(ini.Find("INIT", "novalue").has_value());
    EXPECT_FALSE(ini.Find("OTHER", "BCOLOR").has_value());
}

TEST(IniFile, SetReplacesInPlaceAppendsToItsSectionAndKeepsOtherLines) {
    IniFile ini = IniFile::Parse("[A]\r\nx=1\r\n=orphan\r\n\r\n[B]\r\n; keep me\r\ny=2\r\n");
    ini.Set("a", "X", "10");
    ini.Set("A", "z", "3");
    ini.Set("C", "w", "4");
    EXPECT_EQ(ini.Serialize(),
              "[A]\r\nX=10\r\nz=3\r\n=orphan\r\n\r\n[B]\r\n; keep me\r\ny=2\r\n[C]\r\nw=4\r\n");
}

TEST(IniFile, ProfileRoutinesOnFiles) {
    test::TempProgramFolder folder;
    auto path = folder.Path() / "Kelvane.ini";
    EXPECT_EQ(ReadIniInt(path, "INIT", "TIMEOUT", 100), 100);  // missing file
    EXPECT_EQ(ReadIniString(path, "INIT", "ADPNAME", "0", 256), "0");
    ASSERT_TRUE(WriteIniString(path, "INIT", "TIMEOUT", "250"));
    ASSERT_TRUE(WriteIniString(path, "INIT", "ADPNAME", "abcdef"));
    EXPECT_EQ(test::ReadBytes(path), "[INIT]\r\nTIMEOUT=250\r\nADPNAME=abcdef\r\n");
    EXPECT_EQ(ReadIniInt(path, "INIT", "TIMEOUT", 100), 250);
    EXPECT_EQ(ReadIniInt(path, "INIT", "RETRY", 7), 7);               // missing key
    EXPECT_EQ(ReadIniString(path, "INIT", "ADPNAME", "", 4), "abc");  // cut to size - 1

    std::filesystem::create_directory(folder.Path() / "folder.ini");  // cannot be read
    EXPECT_EQ(ReadIniInt(folder.Path() / "folder.ini", "INIT", "TIMEOUT", 100), 100);
    EXPECT_FALSE(WriteIniString(folder.Path() / "folder.ini", "INIT", "TIMEOUT", "250"));
}

TEST(IniFile, NumbersReadLikeAtoi) {
    struct Case {
        const char* text;
        int expected;
    };
    const Case cases[] = {{"42", 42},         {"  -17", -17},
                          {"+5", 5},          {"12abc", 12},
                          {"abc", 0},         {"", 0},
                          {"0x10", 0},        {"16777215", 0xFFFFFF},
                          {"4294967295", -1}, {"99999999999", 1215752191}};
    for (const auto& c : cases) {
        EXPECT_EQ(ParseIntLikeAtoi(c.text), c.expected) << c.text;
    }
}

}  // namespace
}  // namespace halvera
