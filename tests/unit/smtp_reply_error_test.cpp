#include "events/smtp_reply_error.h"

#include <gtest/gtest.h>

#include "base/text_codec.h"
#include "support/recording_error_log.h"
#include "support/recording_prompt.h"

namespace halvera {
namespace {

TEST(ShowSmtpReplyError, ShowsTheReplyAndLogsTheCodeWithTheLastLineOfItsDescription) {
    struct Case {
        const char* reply;
        const char* box;  // UTF-8
        const char* log;
    } cases[] = {
        {"554 5.7.1 Rejected",
         "エラーコード：554 5.7.1 "
         "Rejected\nトランザクションが失敗しました。またはSMTPサービスがありません。",
         "エラーコード：554 トランザクションが失敗しました。またはSMTPサービスがありません。"},
        {"550 No such user",
         "エラーコード：550 No such user\nメールボックスが利用不可のため要求受付できません。\n"
         "メールアドレスが間違っている場合があります。メールアドレスをご確認ください。",
         "エラーコード：550 "
         "メールアドレスが間違っている場合があります。メールアドレスをご確認ください。"},
        {"452 Full",
         "エラーコード：452 Full\nシステムのストレージが足りません。要求アクションは中止されました",
         "エラーコード：452 システムのストレージが足りません。要求アクションは中止されました"},
        {"299 odd",
         "エラーコード：299 odd\nサポート外のレスポンスコードを受信しました。\n"
         "問題が解決しない場合は、開発者に問い合わせてください。",
         "エラーコード：299 問題が解決しない場合は、開発者に問い合わせてください。"},
        {"5",
         "エラーコード：5\nサポート外のレスポンスコードを受信しました。\n"
         "問題が解決しない場合は、開発者に問い合わせてください。",
         "エラーコード：5 問題が解決しない場合は、開発者に問い合わせてください。"},
    };
    for (const auto& c : cases) {
        test::RecordingPrompt prompt;
        test::RecordingErrorLog errorLog;
        ShowSmtpReplyError(c.reply, prompt, errorLog);
        ASSERT_EQ(prompt.Boxes().size(), 1u);
        EXPECT_EQ(prompt.Boxes()[0].text, Sjis(c.box)) << c.reply;
        EXPECT_EQ(prompt.Boxes()[0].icon, PromptIcon::Stop);
        ASSERT_EQ(errorLog.Lines().size(), 1u);
        EXPECT_EQ(errorLog.Lines()[0].first, "maild");
        EXPECT_EQ(errorLog.Lines()[0].second, Sjis(c.log)) << c.reply;
    }
}

TEST(SmtpReplyDescription, KnowsEveryCodeOfTheTable) {
    const int known[] = {211, 214, 220, 221, 250, 251, 252, 354, 421, 450, 451, 452, 500,
                         501, 502, 503, 504, 530, 534, 535, 538, 550, 551, 552, 553, 554};
    std::string unsupported = SmtpReplyDescription(0);
    for (int code : known) {
        EXPECT_NE(SmtpReplyDescription(code), unsupported) << code;
    }
    EXPECT_EQ(SmtpReplyDescription(535), Sjis("認証が拒否されました。"));
    EXPECT_EQ(SmtpReplyDescription(555), unsupported);
}

}  // namespace
}  // namespace halvera
