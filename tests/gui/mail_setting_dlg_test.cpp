#include "dialogs/mail_setting_dlg.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/text_codec.h"
#include "base/user_registry.h"
#include "dialog_clicks.h"
#include "lists/list_tables.h"
#include "monitor/monitor_engine.h"
#include "store/settings_files.h"
#include "support/file_bytes.h"
#include "support/kelvane_ini.h"
#include "support/mail_registry_file.h"
#include "support/recording_desktop_actions.h"
#include "support/recording_popup.h"
#include "support/recording_prompt.h"
#include "support/scripted_mail_server.h"
#include "support/smtp_server.h"
#include "support/temp_program_folder.h"

namespace halvera {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const char* const CONNECTION_ERROR =
    "SMTPサーバーに接続できませんでした。\nSMTPサーバーアドレス、または、DNSサーバーの設定を確認"
    "してください";

// The program's engine over a fresh program folder, its mail sent to this SMTP port.
struct MailFixture {
    explicit MailFixture(int smtpPort = MAIL_DEFAULT_PORT)
        : engine({prompt, popup, desktop}, Options()) {
        engine.Open();
        MailSettings mail;
        mail.smtpport = smtpPort;
        engine.Settings().SetMail(mail);
    }

    MonitorEngineOptions Options() const {
        MonitorEngineOptions options;
        options.registryPath = Registry();
        // A server that takes no connection fails the send within a moment.
        options.mail.timeouts.connect = 2000ms;
        options.mail.timeouts.reply = 5000ms;
        return options;
    }
    fs::path Registry() const { return folder.Path() / "datareg.reg"; }

    // The value the settings information list shows for a setting of its left pair.
    std::string Shown(const char* setting) {
        for (const ListRow& row : engine.Tables().settingsInfo.Snapshot()) {
            if (row.cells[0] == Sjis(setting)) {
                return Cp932ToUtf8Lossy(row.cells[1]);
            }
        }
        return "(none)";
    }

    test::TempProgramFolder folder;
    test::RecordingPrompt prompt;
    test::RecordingPopup popup;
    test::RecordingDesktopActions desktop;
    MonitorEngine engine;
};

// Types into an edit as a user does (the edit's length limit applies); Japanese text arrives
// as an input method commits it, all at once.
void Type(QLineEdit* edit, const QString& text) {
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    if (std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; })) {
        QTest::keyClicks(edit, text);
    } else {
        edit->insert(text);
    }
}

// Fills the dialog as for a test send to the SMTP server on 127.0.0.1.
void FillForSending(CMailSettingDlg& dialog) {
    Type(dialog.SmtpServerEdit(), "127.0.0.1");
    Type(dialog.SenderEdit(), "halvera@example.com");
    Type(dialog.RecipientEdit(1), "admin@example.com");
    Type(dialog.SubjectEdit(), QStringLiteral("Halvera 検出"));
}

QString Repeat(const char* text, int times) {
    return QString::fromUtf8(text).repeated(times);
}

TEST(CMailSettingDlg, OpensWithTheMailSettingsAndPopFieldsFollowTheCheckBox) {
    MailFixture f;
    MailSettings mail;
    mail.smtpserver = "smtp.example.com";
    mail.adrto2 = "ops@example.com";
    mail.popserver = "pop.example.com";
    mail.passward = "secret";
    mail.subject = Sjis("検出");
    f.engine.Settings().SetMail(mail);

    CMailSettingDlg dialog(f.engine, f.prompt);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Halvera: Mail"));
    EXPECT_EQ(dialog.SmtpServerEdit()->text(), QStringLiteral("smtp.example.com"));
    EXPECT_EQ(dialog.RecipientEdit(2)->text(), QStringLiteral("ops@example.com"));
    EXPECT_EQ(dialog.SubjectEdit()->text(), QStringLiteral("検出"));
    EXPECT_EQ(dialog.PasswordEdit()->echoMode(), QLineEdit::Password);
    EXPECT_EQ(dialog.TestButton()->text(), QStringLiteral("テスト送信"));
    EXPECT_EQ(dialog.CancelButton()->text(), QStringLiteral("ｷｬﾝｾﾙ"));

    const std::vector<QLineEdit*> pop = {dialog.PopServerEdit(), dialog.UserIdEdit(),
                                         dialog.PasswordEdit()};
    EXPECT_FALSE(dialog.PopBox()->isChecked());
    for (bool checked : {true, false, true}) {
        QTest::mouseClick(dialog.PopBox(), Qt::LeftButton, {},
                          QPoint(4, dialog.PopBox()->height() / 2));
        EXPECT_EQ(dialog.PopBox()->isChecked(), checked);
        for (QLineEdit* edit : pop) {
            EXPECT_EQ(edit->isEnabled(), checked) << edit->objectName().toStdString();
        }
    }
    // POP authentication stored as on opens with the fields enabled.
    mail.pop = 1;
    f.engine.Settings().SetMail(mail);
    CMailSettingDlg again(f.engine, f.prompt);
    EXPECT_TRUE(again.PopBox()->isChecked());
    EXPECT_TRUE(again.PopServerEdit()->isEnabled());
}

TEST(CMailSettingDlg, APastedLineBreakCannotEnterAField) {
    MailFixture f;
    CMailSettingDlg dialog(f.engine, f.prompt);
    dialog.show();
    for (QLineEdit* edit : dialog.findChildren<QLineEdit*>()) {
        edit->setEnabled(true);
        Type(edit, "a@example.com");
        for (const char* pasted : {"\r\nRCPT TO:b@example.com", "\nQUIT", "\t"}) {
            QApplication::clipboard()->setText(QString::fromUtf8(pasted));
            edit->paste();
            EXPECT_EQ(edit->text(), QStringLiteral("a@example.com"))
                << edit->objectName().toStdString();
        }
        QApplication::clipboard()->setText(QStringLiteral(".jp"));
        edit->paste();
        EXPECT_EQ(edit->text(), QStringLiteral("a@example.com.jp"))
            << edit->objectName().toStdString();
    }
}

TEST(CMailSettingDlg, OkStoresAndSavesWhatWasTypedAndTheSummaryHidesThePassword) {
    MailFixture f;
    CMailSettingDlg dialog(f.engine, f.prompt);
    dialog.show();
    FillForSending(dialog);
    Type(dialog.RecipientEdit(3), "night@example.com");
    dialog.PopBox()->setChecked(true);
    Type(dialog.PopServerEdit(), "pop.example.com");
    Type(dialog.UserIdEdit(), "alice");
    Type(dialog.PasswordEdit(), "s3cret");
    EXPECT_EQ(dialog.PasswordEdit()->displayText(), QString(6, QChar(0x25CF)));

    QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(f.prompt.Boxes().empty());
    EXPECT_EQ(test::ReadBytes(f.Registry()),
              test::MailRegistryFile(
                  {"127.0.0.1", "halvera@example.com", "admin@example.com", "", "night@example.com",
                   "pop.example.com", "alice", "s3cret", Sjis("Halvera 検出")},
                  1));
    // Without a settings file the next start would not read the registry: OK wrote one with
    // the program's settings, here all at their defaults.
    EXPECT_EQ(test::ReadBytes(SettingsFilePath()),
              test::KelvaneIniWithColours(test::LIGHT_SCHEME_LINES));
    EXPECT_EQ(f.Shown("　パスワード"), "********");
    EXPECT_EQ(f.Shown("　Smtpサーバー"), "127.0.0.1");

    // An empty dialog is accepted too, and saves empty settings.
    CMailSettingDlg emptied(f.engine, f.prompt);
    emptied.show();
    for (QLineEdit* edit : emptied.findChildren<QLineEdit*>()) {
        edit->clear();
    }
    emptied.PopBox()->setChecked(false);
    QTest::mouseClick(emptied.OkButton(), Qt::LeftButton);
    EXPECT_FALSE(emptied.isVisible());
    EXPECT_EQ(test::ReadBytes(f.Registry()),
              test::MailRegistryFile({"", "", "", "", "", "", "", "", ""}, 0));
    EXPECT_EQ(f.Shown("　パスワード"), "");
}

TEST(CMailSettingDlg, TheProtectionGroupSetsPortSecurityAndAuthentication) {
    MailFixture f;
    CMailSettingDlg dialog(f.engine, f.prompt);
    dialog.show();
    EXPECT_EQ(dialog.SmtpPortBox()->value(), 25);
    EXPECT_EQ(dialog.SecurityBox()->currentText(), QStringLiteral("なし"));
    EXPECT_EQ(dialog.SmtpAuthBox()->currentText(), QStringLiteral("なし"));
    EXPECT_FALSE(dialog.AuthUserEdit()->isEnabled());
    EXPECT_FALSE(dialog.AuthPasswordEdit()->isEnabled());
    EXPECT_EQ(dialog.AuthPasswordEdit()->echoMode(), QLineEdit::Password);

    // The port follows the protection while it is the usual one; a typed port stays.
    struct Step {
        int security;
        int typedPort;  // 0: none typed
        int port;
    };
    const Step steps[] = {{1, 0, 587}, {2, 0, 465}, {0, 0, 25}, {1, 2525, 2525}, {2, 0, 2525}};
    for (const Step& step : steps) {
        if (step.typedPort != 0) {
            dialog.SmtpPortBox()->setValue(step.typedPort);
        }
        dialog.SecurityBox()->setCurrentIndex(step.security);
        EXPECT_EQ(dialog.SmtpPortBox()->value(), step.port) << step.security;
    }
    dialog.SecurityBox()->setCurrentIndex(MAIL_SECURITY_STARTTLS);
    dialog.SmtpPortBox()->setValue(587);
    dialog.SmtpAuthBox()->setCurrentIndex(MAIL_AUTH_LOGIN);
    EXPECT_TRUE(dialog.AuthUserEdit()->isEnabled());
    FillForSending(dialog);

    // A send with authentication needs its user.
    QTest::mouseClick(dialog.TestButton(), Qt::LeftButton);
    EXPECT_EQ(f.prompt.Texts(),
              std::vector<std::string>{Sjis("認証ユーザー名を設定してください。")});

    Type(dialog.AuthUserEdit(), "alice@example.com");
    Type(dialog.AuthPasswordEdit(), "s3cret");
    QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(test::ReadBytes(f.Registry()),
              test::MailRegistryFile({"127.0.0.1", "halvera@example.com", "admin@example.com", "",
                                      "", "", "", "", Sjis("Halvera 検出")},
                                     0, test::SubmissionConnection()));
    EXPECT_EQ(f.Shown("　接続の保護"), "STARTTLS");
    EXPECT_EQ(f.Shown("　認証パスワード"), "********");

    // The next dialog opens with what was saved.
    CMailSettingDlg again(f.engine, f.prompt);
    EXPECT_EQ(again.SmtpPortBox()->value(), 587);
    EXPECT_EQ(again.SecurityBox()->currentIndex(), MAIL_SECURITY_STARTTLS);
    EXPECT_EQ(again.SmtpAuthBox()->currentIndex(), MAIL_AUTH_LOGIN);
    EXPECT_EQ(again.AuthUserEdit()->text(), QStringLiteral("alice@example.com"));
}

TEST(CMailSettingDlg, RefusedInputsShowTheirMessageAndKeepTheDialogOpen) {
    enum Button { OK, TEST };
    struct Case {
        const char* name;
        std::function<void(CMailSettingDlg&)> edit;
        Button button;
        const char* message;
    };
    const auto type = [](QLineEdit* (CMailSettingDlg::*edit)() const, QString text) {
        return [edit, text](CMailSettingDlg& d) { Type((d.*edit)(), text); };
    };
    // A pasted ASCII text longer than the limit reaches the size check whole.
    const auto paste = [](QLineEdit* (CMailSettingDlg::*edit)() const, int length) {
        return [edit, length](CMailSettingDlg& d) {
            d.PopBox()->setChecked(true);
            d.SmtpAuthBox()->setCurrentIndex(MAIL_AUTH_LOGIN);
            test::Paste((d.*edit)(), QString(length, QChar('x')));
        };
    };
    const Case cases[] = {
        {"40 ASCII characters of SMTP server pasted, OK",
         paste(&CMailSettingDlg::SmtpServerEdit, 40), OK,
         "smtpサーバーのデータサイズが不正です。(36Byteまで)"},
        {"200 ASCII characters of sender pasted, OK", paste(&CMailSettingDlg::SenderEdit, 200), OK,
         "メールアドレス（送信元）のデータサイズが不正です。(128Byteまで)"},
        {"129 ASCII characters of recipient 3 pasted, test",
         [](CMailSettingDlg& d) { test::Paste(d.RecipientEdit(3), Repeat("x", 129)); }, TEST,
         "メールアドレス（送信先３）のデータサイズが不正です。(128Byteまで)"},
        {"37 ASCII characters of POP server pasted, OK", paste(&CMailSettingDlg::PopServerEdit, 37),
         OK, "POPサーバーのデータサイズが不正です。(36Byteまで)"},
        {"37 ASCII characters of user ID pasted, OK", paste(&CMailSettingDlg::UserIdEdit, 37), OK,
         "ユーザIDのデータサイズが不正です。(36Byteまで)"},
        {"37 ASCII characters of password pasted, OK", paste(&CMailSettingDlg::PasswordEdit, 37),
         OK, "パスワードのデータサイズが不正です。(36Byteまで)"},
        {"129 ASCII characters of subject pasted, OK", paste(&CMailSettingDlg::SubjectEdit, 129),
         OK, "件名のデータサイズが不正です。(128Byteまで)"},
        {"129 ASCII characters of SMTP user pasted, OK", paste(&CMailSettingDlg::AuthUserEdit, 129),
         OK, "認証ユーザー名のデータサイズが不正です。(128Byteまで)"},
        {"129 ASCII characters of SMTP password pasted, OK",
         paste(&CMailSettingDlg::AuthPasswordEdit, 129), OK,
         "認証パスワードのデータサイズが不正です。(128Byteまで)"},
        // 35 letters and one two-byte character: 36 characters, 37 bytes.
        {"37-byte SMTP server, OK", type(&CMailSettingDlg::SmtpServerEdit, Repeat("a", 35) + "あ"),
         OK, "smtpサーバーのデータサイズが不正です。(36Byteまで)"},
        {"19 Japanese characters of SMTP server, OK",
         type(&CMailSettingDlg::SmtpServerEdit, Repeat("あ", 19)), OK,
         "smtpサーバーのデータサイズが不正です。(36Byteまで)"},
        {"empty SMTP server, test", type(&CMailSettingDlg::SmtpServerEdit, ""), TEST,
         "smtpサーバーを設定してください。"},
        {"sender of 130 bytes, OK", type(&CMailSettingDlg::SenderEdit, Repeat("送", 65)), OK,
         "メールアドレス（送信元）のデータサイズが不正です。(128Byteまで)"},
        {"empty sender, test", type(&CMailSettingDlg::SenderEdit, ""), TEST,
         "メールアドレス（送信元）を設定してください。"},
        {"recipient 2 of 129 bytes, OK",
         [](CMailSettingDlg& d) { Type(d.RecipientEdit(2), Repeat("先", 64) + "x"); }, OK,
         "メールアドレス（送信先２）のデータサイズが不正です。(128Byteまで)"},
        {"no recipient, test", [](CMailSettingDlg& d) { d.RecipientEdit(1)->clear(); }, TEST,
         "メールアドレス（送信先）を設定してください。"},
        {"POP on with an empty POP server, test",
         [](CMailSettingDlg& d) { d.PopBox()->setChecked(true); }, TEST,
         "POPサーバーを設定してください。"},
        {"user ID of 37 bytes, OK",
         [](CMailSettingDlg& d) {
             d.PopBox()->setChecked(true);
             Type(d.UserIdEdit(), Repeat("ユ", 18) + "x");
         },
         OK, "ユーザIDのデータサイズが不正です。(36Byteまで)"},
        {"password of 38 bytes, test",
         [](CMailSettingDlg& d) {
             d.PopBox()->setChecked(true);
             Type(d.PopServerEdit(), "pop.example.com");
             Type(d.PasswordEdit(), Repeat("秘", 19));
         },
         TEST, "パスワードのデータサイズが不正です。(36Byteまで)"},
        {"subject of 129 bytes, OK", type(&CMailSettingDlg::SubjectEdit, Repeat("件", 64) + "."),
         OK, "件名のデータサイズが不正です。(128Byteまで)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MailFixture f;
        CMailSettingDlg dialog(f.engine, f.prompt);
        dialog.show();
        FillForSending(dialog);
        c.edit(dialog);
        QTest::mouseClick(c.button == OK ? dialog.OkButton() : dialog.TestButton(), Qt::LeftButton);
        ASSERT_EQ(f.prompt.Texts(), std::vector<std::string>{Sjis(c.message)});
        EXPECT_EQ(f.prompt.Boxes().front().icon, PromptIcon::Stop);
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_FALSE(dialog.IsSending());
        EXPECT_TRUE(dialog.TestButton()->isEnabled());
        EXPECT_FALSE(fs::exists(f.Registry()));
    }
}

TEST(CMailSettingDlg, CancelSavesNothingButKeepsWhatARefusedOkTookInMemory) {
    MailFixture f;
    CMailSettingDlg dialog(f.engine, f.prompt);
    dialog.show();
    FillForSending(dialog);
    Type(dialog.SubjectEdit(), Repeat("件", 65));
    QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
    ASSERT_TRUE(dialog.isVisible());
    QTest::mouseClick(dialog.CancelButton(), Qt::LeftButton);

    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(fs::exists(f.Registry()));
    // The fields before the subject passed and are what the next mail uses.
    const MailSettings mail = f.engine.Settings().Mail();
    EXPECT_EQ(mail.smtpserver, "127.0.0.1");
    EXPECT_EQ(mail.adrto1, "admin@example.com");
    EXPECT_EQ(mail.subject, "");

    // A dialog cancelled at once changes nothing at all.
    CMailSettingDlg untouched(f.engine, f.prompt);
    untouched.show();
    Type(untouched.SmtpServerEdit(), "other.example.com");
    QTest::mouseClick(untouched.CancelButton(), Qt::LeftButton);
    EXPECT_EQ(f.engine.Settings().Mail(), mail);
    EXPECT_FALSE(fs::exists(f.Registry()));
}

// Clicks the test button and keeps the event loop running until the send has ended, counting
// the ticks of a timer that repaints the dialog and the paints that follow. The buttons must
// stay disabled and the dialog open throughout.
struct SendWatch : QObject {
    explicit SendWatch(CMailSettingDlg& dialog) : m_dialog(dialog) {
        dialog.installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint && m_dialog.IsSending()) {
            ++paints;
        }
        return false;
    }
    void Send() {
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, [this] {
            ++ticks;
            if (m_dialog.IsSending()) {
                buttonsStayed = buttonsStayed && !m_dialog.TestButton()->isEnabled() &&
                                !m_dialog.OkButton()->isEnabled() &&
                                !m_dialog.CancelButton()->isEnabled();
                // Escape would close an idle dialog.
                QTest::keyClick(&m_dialog, Qt::Key_Escape);
            }
            m_dialog.update();
        });
        timer.start(20);
        QTest::mouseClick(m_dialog.TestButton(), Qt::LeftButton);
        disabledAtOnce = !m_dialog.TestButton()->isEnabled() && !m_dialog.OkButton()->isEnabled() &&
                         !m_dialog.CancelButton()->isEnabled();
        QElapsedTimer limit;
        limit.start();
        while (m_dialog.IsSending() && limit.elapsed() < 30000) {
            QApplication::processEvents(QEventLoop::AllEvents, 20);
        }
        timer.stop();
    }

    // The send has ended with the dialog still open and its buttons back, and they were off
    // from the click on.
    testing::AssertionResult EndedAsItShould() const {
        if (m_dialog.IsSending()) {
            return testing::AssertionFailure() << "still sending";
        }
        if (!disabledAtOnce || !buttonsStayed) {
            return testing::AssertionFailure() << "a button was enabled during the send";
        }
        if (!m_dialog.isVisible()) {
            return testing::AssertionFailure() << "the dialog closed";
        }
        if (!m_dialog.TestButton()->isEnabled() || !m_dialog.OkButton()->isEnabled() ||
            !m_dialog.CancelButton()->isEnabled()) {
            return testing::AssertionFailure() << "a button stayed disabled";
        }
        return testing::AssertionSuccess();
    }

    CMailSettingDlg& m_dialog;
    int ticks = 0;
    int paints = 0;
    bool disabledAtOnce = false;
    bool buttonsStayed = true;
};

TEST(CMailSettingDlg, TestSendDeliversTheTestMailToARealSmtpServer) {
    if (!test::SmtpServer::Available()) {
        GTEST_SKIP() << "no system Python";
    }
    test::TempProgramFolder maildir;
    test::SmtpServer smtp(maildir.Path() / "maildir");
    ASSERT_TRUE(smtp.Ready()) << "aiosmtpd did not start (package python3-aiosmtpd)";
    MailFixture f(smtp.Port());
    CMailSettingDlg dialog(f.engine, f.prompt);
    dialog.show();
    FillForSending(dialog);
    Type(dialog.RecipientEdit(1), "");
    Type(dialog.RecipientEdit(3), "night@example.com");
    SendWatch watch(dialog);
    watch.Send();

    ASSERT_TRUE(watch.EndedAsItShould());
    ASSERT_EQ(f.prompt.Texts(), std::vector<std::string>{Sjis("テストメールを送信しました。")});
    EXPECT_EQ(f.prompt.Boxes().front().icon, PromptIcon::Information);
    const auto mails = smtp.Mails(1);
    ASSERT_EQ(mails.size(), 1u);
    EXPECT_EQ(test::MailBodyUtf8(mails[0]), "テストメール\n");
    EXPECT_NE(mails[0].find("\nX-RcptTo: night@example.com\n"), std::string::npos) << mails[0];
    // The test send saves nothing; OK would.
    EXPECT_FALSE(fs::exists(f.Registry()));
}

// A listening socket whose one-place accept queue is already full: further connections
// are neither accepted nor refused until the connecting side gives up.
class FullListener {
  public:
    FullListener() {
        m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(m_listener, 0);
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
        m_filler = ::socket(AF_INET, SOCK_STREAM, 0);
        ::connect(m_filler, reinterpret_cast<sockaddr*>(&address), sizeof address);
    }
    ~FullListener() {
        ::close(m_filler);
        ::close(m_listener);
    }
    int Port() const { return m_port; }

  private:
    int m_listener = -1;
    int m_filler = -1;
    int m_port = 0;
};

TEST(CMailSettingDlg, FailedTestSendShowsTheConnectionErrorWhileTheWindowKeepsDrawing) {
    struct Case {
        const char* name;
        std::function<int()> port;
        bool waits;  // the connection attempt lasts until the mail sender's limit
    };
    FullListener full;
    const Case cases[] = {
        {"nothing listens", [] { return test::UnusedLoopbackPort(); }, false},
        {"a server that takes no connection", [&] { return full.Port(); }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MailFixture f(c.port());
        CMailSettingDlg dialog(f.engine, f.prompt);
        dialog.show();
        FillForSending(dialog);
        SendWatch watch(dialog);
        watch.Send();

        ASSERT_TRUE(watch.EndedAsItShould());
        EXPECT_EQ(f.prompt.Texts(), std::vector<std::string>{Sjis(CONNECTION_ERROR)});
        EXPECT_EQ(f.prompt.Boxes().front().icon, PromptIcon::Stop);
        if (c.waits) {
            // The two seconds of the attempt went by with the window at work.
            EXPECT_GT(watch.ticks, 10);
            EXPECT_GT(watch.paints, 10);
        }
    }
}

}  // namespace
}  // namespace halvera
