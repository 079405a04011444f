#include "events/settings_summary.h"

#include <algorithm>
#include <string>

#include "base/text_codec.h"
#include "store/settings_schema.h"

namespace halvera {
namespace {

// What the password row shows instead of the password: the list is on screen for anyone
// near the workstation, while the registry file that holds it is private to the user.
constexpr const char* PASSWORD_MASK = "********";

// One column pair (setting, value), filled from the top.
class PairColumn {
  public:
    void Add(const char* settingUtf8, std::string valueCp932 = {}) {
        AddCp932(Sjis(settingUtf8), std::move(valueCp932));
    }
    void AddCp932(std::string settingCp932, std::string valueCp932 = {}) {
        m_rows.emplace_back(std::move(settingCp932), std::move(valueCp932));
    }
    void AddEmpty() { m_rows.emplace_back(); }
    // A setting with several values: the first on the setting's row, the others below it.
    void AddList(const char* settingUtf8, const std::vector<std::string>& valuesCp932,
                 const char* emptyUtf8 = "") {
        if (valuesCp932.empty()) {
            Add(settingUtf8, Sjis(emptyUtf8));
            return;
        }
        Add(settingUtf8, valuesCp932.front());
        for (std::size_t i = 1; i < valuesCp932.size(); ++i) {
            m_rows.emplace_back(std::string(), valuesCp932[i]);
        }
    }
    const std::vector<std::pair<std::string, std::string>>& Rows() const { return m_rows; }

  private:
    std::vector<std::pair<std::string, std::string>> m_rows;
};

// The choices of the mail settings' protection and authentication, as the dialog names them.
constexpr std::string_view SECURITY_TEXTS[] = {"なし", "STARTTLS", "SSL/TLS"};
constexpr std::string_view AUTH_TEXTS[] = {"なし", "AUTH PLAIN", "AUTH LOGIN"};

template <std::size_t N>
std::string_view ChoiceText(const std::string_view (&texts)[N], std::int32_t value) {
    return value >= 0 && static_cast<std::size_t>(value) < N ? texts[value] : "";
}

std::string EnabledText(int value) {
    return Sjis(value != 0 ? "有効" : "無効");
}

std::string OnText(bool on) {
    return on ? std::string("ON") : std::string();
}

std::string MarkText(bool set) {
    return set ? Sjis("●") : std::string();
}

// An interval kept in seconds, shown in the unit the settings dialog chose for it.
std::string IntervalText(std::int32_t seconds, std::int32_t unit) {
    if (unit <= 0) {
        return std::to_string(seconds);
    }
    std::string text = std::to_string(seconds / unit);
    switch (unit) {
        case 60:
            return text + Sjis("分");
        case 3600:
            return text + Sjis("時");
        case 86400:
            return text + Sjis("日");
        default:
            return text;
    }
}

std::vector<std::string> RangeTexts(const std::vector<AddressRange>& ranges) {
    std::vector<std::string> texts;
    for (const auto& [start, end] : ranges) {
        texts.push_back(FormatIp(start) + Sjis(" ～ ") + FormatIp(end));
    }
    return texts;
}

PairColumn LeftColumn(const SettingsSummaryData& data) {
    const AppSettings& app = data.app;
    const MailSettings& mail = data.mail;
    PairColumn left;
    left.AddEmpty();
    left.Add("検索設定");
    left.AddEmpty();
    left.Add("　ネットワークアダプタ", app.ADPNAME);
    left.Add("　ノード検出 ポーリング", EnabledText(app.NEWENABLE));
    left.Add("　ノード検出 ポーリング間隔", IntervalText(app.NEWTIME, app.NEWTIMEUNIT));
    left.Add("　ステータス ポーリング", EnabledText(app.LOOKENABLE));
    left.Add("　ステータス ポーリング間隔", IntervalText(app.LOOKTIME, app.LOOKTIMEUNIT));
    left.Add("　ノード停止時にノードリストよりノードを削除する", app.NODEDISP != 0 ? "ON" : "OFF");
    for (const SettingKey& key : AppSettingKeys()) {
        if (key.rules.summary != nullptr) {
            left.Add(key.rules.summary, std::to_string(app.*key.number) + Sjis(key.rules.unit));
        }
    }
    left.AddList("　検索範囲", RangeTexts(data.searchRanges));
    left.AddEmpty();
    left.Add("盗聴設定");
    left.AddEmpty();
    const bool anyTest = (app.PROMISS & 0x80) != 0;
    left.Add("　以下のいずれかに応答するノードを盗聴ノードとする", OnText(anyTest));
    left.Add("　以下に応答するノードを盗聴ノードとする", OnText(!anyTest));
    left.Add("　B47", MarkText((app.PROMISS & 0x01) != 0));
    left.Add("　B16", MarkText((app.PROMISS & 0x02) != 0));
    left.Add("　B8", MarkText((app.PROMISS & 0x04) != 0));
    left.AddEmpty();
    left.Add("メール送信設定");
    left.AddEmpty();
    left.Add("　Smtpサーバー", mail.smtpserver);
    left.Add("　メールアドレス（送信元）", mail.adrfrom);
    left.Add("　メールアドレス（送信先１）", mail.adrto1);
    left.Add("　メールアドレス（送信先２）", mail.adrto2);
    left.Add("　メールアドレス（送信先３）", mail.adrto3);
    left.Add("　POP認証", EnabledText(mail.pop));
    left.Add("　POPサーバー", mail.popserver);
    left.Add("　ユーザーID", mail.userid);
    left.Add("　パスワード", mail.passward.empty() ? std::string() : PASSWORD_MASK);
    left.Add("　件名", mail.subject);
    left.Add("　SMTPポート", std::to_string(mail.smtpport));
    left.Add("　接続の保護", Sjis(ChoiceText(SECURITY_TEXTS, mail.security)));
    left.Add("　SMTP認証", Sjis(ChoiceText(AUTH_TEXTS, mail.smtpauth)));
    left.Add("　認証ユーザー名", mail.authuser);
    left.Add("　認証パスワード", mail.authpass.empty() ? std::string() : PASSWORD_MASK);
    return left;
}

std::string PresenceText(int value) {
    return Sjis(value != 0 ? "有" : "無");
}

PairColumn RightColumn(const SettingsSummaryData& data) {
    PairColumn right;
    right.AddEmpty();
    right.Add("イベント設定");
    for (int kind = 0; kind < EVENT_KIND_COUNT; ++kind) {
        const EventSettings& event = data.events[static_cast<std::size_t>(kind)];
        right.AddEmpty();
        right.AddCp932(Sjis("　") + EventKindText(kind));
        right.Add("　　画面・ログ出力", Sjis("　[ 画面:") + PresenceText(event.screen) +
                                            Sjis("/ ログ:") + PresenceText(event.log) + " ]");
        right.Add("　　ポップアップ表示", event.popupText);
        right.Add("　　外部ファイル起動", event.filePath);
        right.Add("　　メール送信", event.mailText);
        right.Add("　　サウンド再生", event.beep != 0 ? Sjis("ビープ音") : event.soundFile);
    }
    right.AddEmpty();
    right.AddList("　アクションノード範囲", RangeTexts(data.actionRanges), "すべてのノード");
    return right;
}

}  // namespace

std::vector<ListRow> BuildSettingsSummary(const SettingsSummaryData& data) {
    const PairColumn left = LeftColumn(data);
    const PairColumn right = RightColumn(data);
    const std::size_t count = std::max(left.Rows().size(), right.Rows().size());
    std::vector<ListRow> rows(count);
    for (std::size_t i = 0; i < count; ++i) {
        ListRow& row = rows[i];
        row.cells.resize(4);
        if (i < left.Rows().size()) {
            row.cells[0] = left.Rows()[i].first;
            row.cells[1] = left.Rows()[i].second;
        }
        if (i < right.Rows().size()) {
            row.cells[2] = right.Rows()[i].first;
            row.cells[3] = right.Rows()[i].second;
        }
    }
    return rows;
}

std::vector<AddressRange> ReadAllRanges(RangeStore& ranges) {
    std::vector<AddressRange> all;
    for (int n = 1;; ++n) {
        AddressRange range{0, 0};
        if (ranges.ReadRange(n, range.first, range.second) != 0) {
            return all;
        }
        all.push_back(range);
    }
}

void RefreshSettingsSummary(ListTable& settingsInfo, const SettingsStore& settings,
                            RangeStore& searchRanges, RangeStore& actionRanges,
                            EventSettingsStore& eventSettings) {
    SettingsSummaryData data;
    data.app = settings.App();
    data.mail = settings.Mail();
    data.searchRanges = ReadAllRanges(searchRanges);
    data.actionRanges = ReadAllRanges(actionRanges);
    for (int kind = 0; kind < EVENT_KIND_COUNT; ++kind) {
        eventSettings.ReadEventSettings(kind, data.events[static_cast<std::size_t>(kind)]);
    }
    settingsInfo.Reset(BuildSettingsSummary(data));
}

}  // namespace halvera
