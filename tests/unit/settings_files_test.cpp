#include "store/settings_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <utility>
#include <vector>

#include "base/ini_file.h"
#include "base/text_codec.h"
#include "support/file_bytes.h"
#include "support/kelvane_ini.h"
#include "support/recording_error_log.h"
#include "support/recording_prompt.h"
#include "support/temp_program_folder.h"

namespace halvera {
namespace {

using LogLines = std::vector<std::pair<std::string, std::string>>;

const std::string REGISTRY_HEADER =
    "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\SOFTWARE\\Draymoor\\Kelvane\\datareg]\r\n";

MailSettings SampleMail() {
    MailSettings mail;
    mail.smtpserver = "smtp.example.com";
    mail.adrfrom = "halvera@example.com";
    mail.adrto1 = "admin@example.com";
    mail.adrto2 = Sjis("管理者 <boss@example.com>");
    mail.adrto3 = "";
    mail.pop = 1;
    mail.popserver = "pop.example.com";
    mail.userid = "watch";
    mail.passward = "s3cr\"et\\";
    mail.subject = Sjis("ノード検出");
    return mail;
}

// The values of the protected connection as an older program never wrote them and this
// one writes their defaults.
const std::string ADDED_DEFAULTS =
    "\"smtpport\"=dword:00000019\r\n\"security\"=dword:00000000\r\n"
    "\"smtpauth\"=dword:00000000\r\n\"authuser\"=\"\"\r\n\"authpass\"=\"\"\r\n";

// The registry file as an older program wrote SampleMail(), without the added values.
std::string OlderRegistryFile() {
    return REGISTRY_HEADER + "\"smtpserver\"=\"smtp.example.com\"\r\n" +
           "\"adrfrom\"=\"halvera@example.com\"\r\n" + "\"adrto1\"=\"admin@example.com\"\r\n" +
           "\"adrto2\"=\"" + Sjis("管理者 <boss@example.com>") + "\"\r\n" + "\"adrto3\"=\"\"\r\n" +
           "\"pop\"=dword:00000001\r\n" + "\"popserver\"=\"pop.example.com\"\r\n" +
           "\"userid\"=\"watch\"\r\n" + "\"passward\"=\"s3cr\\\"et\\\\\"\r\n" + "\"subject\"=\"" +
           Sjis("ノード検出") + "\"\r\n";
}

// The registry file as SaveSettings writes SampleMail().
std::string SampleRegistryFile() {
    return OlderRegistryFile() + ADDED_DEFAULTS;
}

class SettingsFilesTest : public ::testing::Test {
  protected:
    std::filesystem::path IniPath() const { return m_folder.Path() / "Kelvane.ini"; }
    std::filesystem::path RegistryFolder() const { return m_folder.Path() / "config" / "Kelvane"; }
    std::filesystem::path RegistryPath() const { return RegistryFolder() / "datareg.reg"; }

    void WriteRegistry(const std::string& bytes) {
        std::filesystem::create_directories(RegistryFolder());
        test::WriteBytes(RegistryPath(), bytes);
    }

    struct Loaded {
        AppSettings app;
        MailSettings mail;
    };
    // Loads into a fresh store, as start-up does.
    Loaded Load() {
        SettingsStore store;
        LoadSettings(store, m_registry, m_log, m_prompt);
        return {store.App(), store.Mail()};
    }

    test::TempProgramFolder m_folder;
    UserRegistry m_registry{RegistryPath()};
    test::RecordingErrorLog m_log;
    test::RecordingPrompt m_prompt;
};

TEST_F(SettingsFilesTest, WithoutTheFileDefaultsApplyAndTheFirstSaveWritesEveryKey) {
    WriteRegistry(SampleRegistryFile());  // not read while the settings file is missing
    SettingsStore store;
    MailSettings earlier = SampleMail();
    earlier.pop = 0;
    store.SetMail(earlier);
    LoadSettings(store, m_registry, m_log, m_prompt);
    EXPECT_EQ(store.App(), AppSettings{});
    EXPECT_EQ(store.Mail(), MailSettings{});

    EXPECT_EQ(SaveSettings(SAVE_APP_SETTINGS, store, m_registry, m_log), 0);
    EXPECT_EQ(test::ReadBytes(IniPath()),
              "[INIT]\r\nBCOLOR=16777215\r\nBCOLOR2=14737632\r\nFCOLOR=0\r\nSCOLOR=255\r\n"
              "PCOLOR=16711680\r\nNCOLOR=12632256\r\nLOOKENABLE=1\r\nNEWENABLE=1\r\n"
              "LOOKTIME=600\r\nNEWTIME=3600\r\nLOOKTIMEUNIT=60\r\nNEWTIMEUNIT=3600\r\n"
              "MAP=4095\r\nELIST=74\r\nELISTMAX=100\r\nBSORT=0\r\nSORT=0\r\nBPOLING=0\r\n"
              "WINS=1\r\nTIMEOUT=100\r\nRETRY=3\r\nPRINT=16254\r\nNODEDISP=0\r\nSTBAR=3\r\n"
              "ALLEVENT=1\r\nADPNUM=0\r\nADPNAME=\r\nCAPDRIV=0\r\nPROMISS=7\r\nMAPX=0\r\n"
              "MAPY=0\r\nSCROLL=1\r\nSENDRATE=1000\r\n");
    EXPECT_TRUE(m_log.Lines().empty());
    EXPECT_TRUE(m_prompt.Boxes().empty());
}

TEST_F(SettingsFilesTest, SendRateMissingOrBelowOneReadsAsItsDefault) {
    const struct {
        const char* line;
        std::int32_t rate;
    } cases[] = {
        {"", 1000},  // a file from before the key
        {"SENDRATE=0\r\n", 1000},
        {"SENDRATE=-3\r\n", 1000},
        {"SENDRATE=junk\r\n", 1000},
        {"SENDRATE=1\r\n", 1},
        {"SENDRATE=20\r\n", 20},
    };
    for (const auto& c : cases) {
        test::WriteBytes(IniPath(), std::string("[INIT]\r\nTIMEOUT=100\r\n") + c.line);
        EXPECT_EQ(Load().app.SENDRATE, c.rate) << c.line;
    }
}

TEST_F(SettingsFilesTest, SavedSettingsLoadBackUnchanged) {
    AppSettings app;
    app.BCOLOR = 0x00112233;
    app.BCOLOR2 = 0x00FFFFFE;
    app.FCOLOR = 0x00010203;
    app.SCOLOR = 0x00800000;
    app.PCOLOR = 0x00008000;
    app.NCOLOR = 0x00000080;
    app.LOOKENABLE = 0;
    app.NEWENABLE = 0;
    app.LOOKTIME = 7200;
    app.NEWTIME = 86400;
    app.LOOKTIMEUNIT = 3600;
    app.NEWTIMEUNIT = 86400;
    app.MAP = 0x7E1;
    app.ELIST = 127;
    app.ELISTMAX = 5000;
    app.BSORT = 1;
    app.SORT = 4;
    app.BPOLING = 1;
    app.WINS = 0;
    app.TIMEOUT = 250;
    app.RETRY = 9;
    app.PRINT = 0x3FFF;
    app.NODEDISP = 1;
    app.STBAR = 1;
    app.ALLEVENT = 0;
    app.ADPNUM = 2;
    app.ADPNAME = Sjis("enp3s0 (有線 LAN)");
    app.CAPDRIV = -1;
    app.PROMISS = 0x83;
    app.MAPX = 1024;
    app.MAPY = 480;
    app.SCROLL = 0;
    app.SENDRATE = 20;
    SettingsStore saved;
    saved.SetApp(app);
    saved.SetMail(SampleMail());
    test::WriteBytes(IniPath(), "; kept\r\n[OTHER]\r\nX=1\r\n[INIT]\r\nSCROLL=1\r\nOLDKEY=5\r\n");

    EXPECT_EQ(SaveSettings(SAVE_APP_SETTINGS, saved, m_registry, m_log), 0);
    EXPECT_EQ(SaveSettings(SAVE_MAIL_SETTINGS, saved, m_registry, m_log), 0);
    Loaded loaded = Load();
    EXPECT_EQ(loaded.app, app);
    EXPECT_EQ(loaded.mail, SampleMail());

    // The password stands in the file as plain text, which is why only the user may read it.
    EXPECT_EQ(test::ReadBytes(RegistryPath()), SampleRegistryFile());
    struct stat info {};
    ASSERT_EQ(stat(RegistryPath().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    // Lines and keys of the existing file stay where they were.
    IniFile ini = IniFile::Load(IniPath());
    EXPECT_EQ(ini.Find("OTHER", "X"), "1");
    EXPECT_EQ(ini.Find("INIT", "OLDKEY"), "5");
    EXPECT_EQ(
        test::ReadBytes(IniPath()).rfind("; kept\r\n[OTHER]\r\nX=1\r\n[INIT]\r\nSCROLL=0\r\n", 0),
        0u);
    EXPECT_TRUE(m_log.Lines().empty());
    EXPECT_TRUE(m_prompt.Boxes().empty());
}

TEST_F(SettingsFilesTest, KeysMissingFromAnExistingFileReadAsZero) {
    test::WriteBytes(IniPath(), "[INIT]\r\nBCOLOR=255\r\n");
    Loaded loaded = Load();
    EXPECT_EQ(loaded.app.BCOLOR, 255);
    EXPECT_EQ(loaded.app.ADPNAME, "0");
    EXPECT_EQ(loaded.mail, MailSettings{});  // no registry key: nothing to read, no report

    SettingsStore store;
    store.SetApp(loaded.app);
    ASSERT_EQ(SaveSettings(SAVE_APP_SETTINGS, store, m_registry, m_log), 0);
    auto entries = IniFile::Load(IniPath()).Entries("INIT");
    ASSERT_EQ(entries.size(), 33u);
    for (const auto& [key, value] : entries) {
        EXPECT_EQ(value, key == "BCOLOR" ? "255" : key == "SENDRATE" ? "1000" : "0") << key;
    }
    // Said once, so that polling switched off by a damaged file does not go unnoticed.
    EXPECT_EQ(m_log.Lines(),
              (LogLines{{"confd",
                         "Kelvane.ini lacks BCOLOR2, FCOLOR, SCOLOR, PCOLOR, NCOLOR, LOOKENABLE, "
                         "NEWENABLE, LOOKTIME, NEWTIME, LOOKTIMEUNIT, NEWTIMEUNIT, MAP, ELIST, "
                         "ELISTMAX, BSORT, SORT, BPOLING, WINS, TIMEOUT, RETRY, PRINT, NODEDISP, "
                         "STBAR, ALLEVENT, ADPNUM, ADPNAME, CAPDRIV, PROMISS, MAPX, MAPY, SCROLL; "
                         "read as 0"}}));
    EXPECT_TRUE(m_prompt.Boxes().empty());
}

TEST_F(SettingsFilesTest, GarbageValuesReadAsNumbersWouldAndLongNamesAreCut) {
    const std::string longName(300, '\x83');  // 0x83 0x83 ...: two-byte characters
    test::WriteBytes(IniPath(), std::string("\x00\xFF\x01junk\r\n", 9) +
                                    "[INIT]\r\n"
                                    "BCOLOR=blue\r\n"
                                    "TIMEOUT= -5ms\r\n"
                                    "RETRY=99999999999\r\n"
                                    "=7\r\n"
                                    "MAP\r\n"
                                    "ADPNAME=" +
                                    longName + "\r\n" + "ELISTMAX=12");
    AppSettings app = Load().app;
    EXPECT_EQ(app.BCOLOR, 0);
    // Held to what the search settings allow: a search would wait on one address for ever.
    EXPECT_EQ(app.TIMEOUT, 1);
    EXPECT_EQ(app.RETRY, 100);
    EXPECT_EQ(app.MAP, 0);
    EXPECT_EQ(app.ELISTMAX, 12);
    EXPECT_EQ(app.ADPNAME, std::string(254, '\x83'));  // 255 bytes would split a character
    const auto lines = m_log.Lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1], (std::pair<std::string, std::string>{
                            "confd", "Kelvane.ini TIMEOUT=-5 is outside 1-60000; 1 is used"}));
    EXPECT_EQ(lines[2],
              (std::pair<std::string, std::string>{
                  "confd", "Kelvane.ini RETRY=1215752191 is outside 0-100; 100 is used"}));
}

TEST_F(SettingsFilesTest, OtherModesDoNothing) {
    SettingsStore store;
    store.SetMail(SampleMail());
    for (int mode : {1, 3, -1}) {
        EXPECT_EQ(SaveSettings(mode, store, m_registry, m_log), 0) << mode;
    }
    EXPECT_FALSE(std::filesystem::exists(IniPath()));
    EXPECT_FALSE(std::filesystem::exists(RegistryFolder()));
    EXPECT_TRUE(m_log.Lines().empty());
}

TEST_F(SettingsFilesTest, PopFlagIsSetOnlyByANonZeroValue) {
    struct Case {
        const char* stored;
        std::int32_t before;
        std::int32_t expected;
    };
    const Case cases[] = {
        {"00000000", 0, 0},
        {"00000001", 0, 1},
        {"00000005", 0, 1},
        {"00000000", 1, 1},  // a 0 leaves the flag as it was
    };
    test::WriteBytes(IniPath(), test::KelvaneIniWithColours(test::LIGHT_SCHEME_LINES));
    for (const Case& c : cases) {
        std::string file = SampleRegistryFile();
        file.replace(file.find("dword:00000001"), 14, std::string("dword:") + c.stored);
        WriteRegistry(file);
        SettingsStore store;
        MailSettings mail;
        mail.pop = c.before;
        store.SetMail(mail);
        LoadSettings(store, m_registry, m_log, m_prompt);
        EXPECT_EQ(store.Mail().pop, c.expected) << c.stored << " over " << c.before;
    }
    EXPECT_TRUE(m_log.Lines().empty());
}

TEST_F(SettingsFilesTest, ProtectedConnectionValuesLoadBackAndOlderOrDamagedOnesReadDefaults) {
    struct Case {
        const char* name;
        std::string added;  // what follows the older file's values
        std::int32_t port, security, auth;
        std::string user, password;
        LogLines log;
    };
    const Case cases[] = {
        {"an older file", "", 25, 0, 0, "", "", {}},
        {"submission with STARTTLS and AUTH LOGIN",
         "\"smtpport\"=dword:0000024b\r\n\"security\"=dword:00000001\r\n"
         "\"smtpauth\"=dword:00000002\r\n\"authuser\"=\"alice@example.com\"\r\n"
         "\"authpass\"=\"p\\\"w\"\r\n",
         587,
         1,
         2,
         "alice@example.com",
         "p\"w",
         {}},
        {"values beyond their ranges or of the wrong type",
         "\"smtpport\"=dword:00010000\r\n\"security\"=dword:00000003\r\n"
         "\"smtpauth\"=\"1\"\r\n\"authuser\"=dword:00000001\r\n",
         25,
         0,
         0,
         "",
         "",
         {{"regd", "mail setting smtpport is not a number from 1 to 65535; the default is used"},
          {"regd", "mail setting security is not a number from 0 to 2; the default is used"},
          {"regd", "mail setting smtpauth is not a number from 0 to 2; the default is used"}}},
    };
    test::WriteBytes(IniPath(), test::KelvaneIniWithColours(test::LIGHT_SCHEME_LINES));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteRegistry(OlderRegistryFile() + c.added);
        test::RecordingErrorLog log;
        SettingsStore store;
        LoadSettings(store, m_registry, log, m_prompt);
        MailSettings expected = SampleMail();
        expected.smtpport = c.port;
        expected.security = c.security;
        expected.smtpauth = c.auth;
        expected.authuser = c.user;
        expected.authpass = c.password;
        EXPECT_EQ(store.Mail(), expected);
        EXPECT_EQ(log.Lines(), c.log);
        EXPECT_TRUE(m_prompt.Boxes().empty());

        // What was read is written back and read again unchanged.
        ASSERT_EQ(SaveSettings(SAVE_MAIL_SETTINGS, store, m_registry, log), 0);
        SettingsStore again;
        LoadSettings(again, m_registry, log, m_prompt);
        EXPECT_EQ(again.Mail(), expected);
    }
}

TEST_F(SettingsFilesTest, UnreadableMailValueStopsLoadingAndIsReported) {
    struct Case {
        const char* name;
        std::string adrto3;  // replaces the line of "adrto3"
    };
    const Case cases[] = {
        {"missing", ""},
        {"number for a text", "\"adrto3\"=dword:00000000\r\n"},
        {"cut text", "\"adrto3\"=\"x@exa\r\n"},
        {"too long for the buffer",
         "\"adrto3\"=\"" + std::string(REGISTRY_QUERY_BUFFER, 'x') + "\"\r\n"},
    };
    test::WriteBytes(IniPath(), test::KelvaneIniWithColours(test::LIGHT_SCHEME_LINES));
    for (const Case& c : cases) {
        const std::string line = "\"adrto3\"=\"\"\r\n";
        std::string file = SampleRegistryFile();
        file.replace(file.find(line), line.size(), c.adrto3);
        WriteRegistry(file);
        test::RecordingErrorLog log;
        test::RecordingPrompt prompt;
        SettingsStore store;
        LoadSettings(store, m_registry, log, prompt);

        MailSettings expected;
        expected.smtpserver = "smtp.example.com";
        expected.adrfrom = "halvera@example.com";
        expected.adrto1 = "admin@example.com";
        expected.adrto2 = Sjis("管理者 <boss@example.com>");
        EXPECT_EQ(store.Mail(), expected) << c.name;
        EXPECT_EQ(log.Lines(), (LogLines{{"regd", "RegQueryValueEx error"},
                                         {"confd", Sjis("設定データの読込みに失敗しました")}}))
            << c.name;
        ASSERT_EQ(prompt.Boxes().size(), 1u) << c.name;
        EXPECT_EQ(prompt.Boxes()[0].text, Sjis("設定データの読込みに失敗しました。"));
        EXPECT_EQ(prompt.Boxes()[0].icon, PromptIcon::Stop);
    }
}

TEST_F(SettingsFilesTest, LongRegistryTextsAreCutToTheirFields) {
    test::WriteBytes(IniPath(), test::KelvaneIniWithColours(test::LIGHT_SCHEME_LINES));
    std::string file = SampleRegistryFile();
    const std::string longServer = std::string(35, 's') + Sjis("長");  // 37 bytes
    file.replace(file.find("smtp.example.com"), 16, longServer);
    file.replace(file.find("watch"), 5, std::string(200, 'u'));
    WriteRegistry(file);
    MailSettings mail = Load().mail;
    EXPECT_EQ(mail.smtpserver, std::string(35, 's'));
    EXPECT_EQ(mail.userid, std::string(MAIL_ACCOUNT_MAX, 'u'));
    EXPECT_EQ(mail.subject, SampleMail().subject);
    EXPECT_TRUE(m_log.Lines().empty());
}

TEST_F(SettingsFilesTest, CutRegistryFileLoadsWholeValuesOnly) {
    test::WriteBytes(IniPath(), test::KelvaneIniWithColours(test::LIGHT_SCHEME_LINES));
    const std::string file = SampleRegistryFile();
    const MailSettings whole = SampleMail();
    for (std::size_t size = 0; size <= file.size(); ++size) {
        WriteRegistry(file.substr(0, size));
        test::RecordingErrorLog log;
        test::RecordingPrompt prompt;
        SettingsStore store;
        LoadSettings(store, m_registry, log, prompt);
        MailSettings mail = store.Mail();
        for (auto field : {&MailSettings::smtpserver, &MailSettings::adrfrom, &MailSettings::adrto1,
                           &MailSettings::adrto2, &MailSettings::popserver, &MailSettings::userid,
                           &MailSettings::passward, &MailSettings::subject}) {
            EXPECT_TRUE(mail.*field == whole.*field || (mail.*field).empty()) << size;
        }
        // Complete, or the reader stopped and said so (or found no key at all).
        bool reported = !prompt.Boxes().empty();
        EXPECT_TRUE(mail == whole || reported || mail == MailSettings{}) << size;
    }
}

TEST_F(SettingsFilesTest, RegistryThatCannotBeWrittenGivesResultOne) {
    SettingsStore store;
    store.SetMail(SampleMail());
    std::filesystem::create_directories(RegistryFolder().parent_path());
    test::WriteBytes(RegistryFolder(), "a file where the folder belongs");
    EXPECT_EQ(SaveSettings(SAVE_MAIL_SETTINGS, store, m_registry, m_log), 1);
    EXPECT_EQ(m_log.Lines(), (LogLines{{"regd", "RegCreateKeyEx error"},
                                       {"confd", Sjis("設定データの書き込みに失敗しました")}}));
    EXPECT_TRUE(m_prompt.Boxes().empty());
}

TEST_F(SettingsFilesTest, FirstFailedValueStopsTheMailSave) {
    MailSettings mail = SampleMail();
    mail.popserver = "pop.example.com\r\n\"pop\"=dword:00000000";  // cannot stand on one line
    SettingsStore store;
    store.SetMail(mail);
    EXPECT_EQ(SaveSettings(SAVE_MAIL_SETTINGS, store, m_registry, m_log), 1);
    EXPECT_EQ(m_log.Lines(), (LogLines{{"regd", "RegSetValueEx error"},
                                       {"confd", Sjis("設定データの書き込みに失敗しました")}}));
    const std::string written = test::ReadBytes(RegistryPath());
    EXPECT_NE(written.find("\"pop\"=dword:00000001\r\n"), std::string::npos);
    EXPECT_EQ(written.find("userid"), std::string::npos);
}

TEST_F(SettingsFilesTest, SettingsFileThatCannotBeWrittenIsReported) {
    std::filesystem::create_directories(IniPath());  // a folder where the file belongs
    SettingsStore store;
    EXPECT_EQ(SaveSettings(SAVE_APP_SETTINGS, store, m_registry, m_log), 1);
    EXPECT_EQ(m_log.Lines(), (LogLines{{"confd", Sjis("設定データの書き込みに失敗しました")}}));
}

TEST_F(SettingsFilesTest, AdapterNameCannotAddKeysToTheFile) {
    SettingsStore store;
    AppSettings app;
    app.ADPNAME = "eth0\r\nTIMEOUT=1";
    store.SetApp(app);
    ASSERT_EQ(SaveSettings(SAVE_APP_SETTINGS, store, m_registry, m_log), 0);
    AppSettings loaded = Load().app;
    EXPECT_EQ(loaded.ADPNAME, "eth0");
    EXPECT_EQ(loaded.TIMEOUT, 100);
}

}  // namespace
}  // namespace halvera
