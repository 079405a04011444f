#include "events/smtp_reply_error.h"

#include <cctype>

#include "base/text_codec.h"

namespace halvera {
namespace {

struct ReplyDescription {
    int code;
    std::string_view text;  // UTF-8
};

constexpr ReplyDescription DESCRIPTIONS[] = {
    {211, "システムの状態、またはシステムヘルプの応答を受信しました。"},
    {214, "ヘルプメッセージを受信しました。"},
    {220, "サービス開始メッセージを受信しました。"},
    {221, "サービスの転送チャンネルが閉じられました。"},
    {250, "要求されたメールアクションは正常処理されました。"},
    {251, "ユーザがローカルでないので転送されます。"},
    {252, "ユーザの確認はできませんが、配信を試みます。"},
    {354, "メール本文入力開始メッセージを受信しました。"},
    {421, "サービスが利用可能ではありません。転送チャンネルが閉じられました。"},
    {450, "メールボックスが利用不可のため要求が受付られませんでした。（ビジーなど）"},
    {451, "コマンド中止メッセージを受信しました。"},
    {452, "システムのストレージが足りません。要求アクションは中止されました"},
    {500, "構文エラー、コマンドが解釈エラー。"},
    {501, "パラメータや引数の構文エラー。"},
    {502, "要求コマンドが実装されていません。"},
    {503, "要求コマンドの並びが間違っています。"},
    {504, "要求コマンドパラメータが実装されていませんでした。"},
    {530, "コマンドの実行には認証が必要です。"},
    {534, "認証システムが弱すぎます。"},
    {535, "認証が拒否されました。"},
    {538, "暗号化が必要です。"},
    {550,
     "メールボックスが利用不可のため要求受付できません。\n"
     "メールアドレスが間違っている場合があります。メールアドレスをご確認ください。"},
    {551, "ユーザがローカルでないので転送リトライが必要です。"},
    {552, "コマンドは中止されました。（ストレージの割当を超過した）"},
    {553, "要求受付できません。（メールボックス名が正しくないなど）"},
    {554, "トランザクションが失敗しました。またはSMTPサービスがありません。"},
};

constexpr std::string_view UNSUPPORTED =
    "サポート外のレスポンスコードを受信しました。\n"
    "問題が解決しない場合は、開発者に問い合わせてください。";

// The number in the first three characters; a line that does not start with digits has
// no code of the table.
int ReplyCode(std::string_view line) {
    int code = 0;
    for (std::size_t i = 0; i < 3 && i < line.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(line[i]))) {
            break;
        }
        code = code * 10 + (line[i] - '0');
    }
    return code;
}

}  // namespace

std::string SmtpReplyDescription(int code) {
    for (const auto& description : DESCRIPTIONS) {
        if (description.code == code) {
            return Sjis(description.text);
        }
    }
    return Sjis(UNSUPPORTED);
}

void ShowSmtpReplyError(std::string_view replyLine, Prompt& prompt, ErrorLog& errorLog) {
    std::string description = SmtpReplyDescription(ReplyCode(replyLine));
    std::string prefix = Sjis("エラーコード：");
    ShowStop(prompt, prefix + std::string(replyLine) + "\n" + description);
    std::size_t lastBreak = description.rfind('\n');
    std::string_view lastLine = description;
    if (lastBreak != std::string::npos) {
        lastLine.remove_prefix(lastBreak + 1);
    }
    errorLog.WriteErrorLog(
        "maild", prefix + std::string(replyLine.substr(0, 3)) + " " + std::string(lastLine));
}

}  // namespace halvera
