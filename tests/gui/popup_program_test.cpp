#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMouseEvent>
#include <QNetworkInterface>

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <functional>
#include <optional>
#include <string>

#include "base/text_codec.h"
#include "events/popup_relay.h"
#include "popup/popup_listener.h"
#include "popup/popup_queue.h"
#include "popup/popup_stack.h"
#include "support/socket_as_user.h"

namespace halvera {
namespace {

// Runs the event loop until `done` holds or five seconds have passed.
bool ProcessUntil(const std::function<bool()>& done) {
    QElapsedTimer timer;
    timer.start();
    for (;;) {
        if (done()) {
            return true;
        }
        if (timer.elapsed() >= 5000) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
}

// Runs the event loop for a while, for checks that nothing happens.
void ProcessFor(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
}

// The relay's side of one exchange: a datagram to the listener's loopback port, and
// whether an answer comes back.
class Sender {
  public:
    // tos: the IP type of service of its datagrams, as the relay marks a critical message.
    // uid: the user whose socket it is, where not the test's own.
    explicit Sender(int tos = 0, std::optional<uid_t> uid = {})
        : m_socket(uid ? test::SocketAsUser(*uid, SOCK_DGRAM) : ::socket(AF_INET, SOCK_DGRAM, 0)) {
        ::setsockopt(m_socket, IPPROTO_IP, IP_TOS, &tos, sizeof tos);
    }
    ~Sender() { ::close(m_socket); }
    void Send(quint16 port, const std::string& bytes) {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(port);
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::sendto(m_socket, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&to),
                 sizeof to);
    }
    bool Answered() { return Answer().has_value(); }
    std::optional<std::string> Answer() {
        char answer[128];
        ssize_t size = ::recv(m_socket, answer, sizeof answer, MSG_DONTWAIT);
        if (size < 0) {
            return std::nullopt;
        }
        return std::string(answer, static_cast<std::size_t>(size));
    }

  private:
    int m_socket;
};

TEST(PopupListener, AnswersAndShowsMessagesFromThisHostOnly) {
    struct Case {
        const char* name;
        bool ownSender;
        int tos;
        std::string datagram;
        QString shown;  // empty: nothing is shown
        bool critical;
    } cases[] = {
        {"Shift_JIS text", true, 0, Sjis("新規ノード検出 192.168.0.5"),
         QStringLiteral("新規ノード検出 192.168.0.5"), false},
        {"the relay's critical mark", true, POPUP_CRITICAL_TOS, Sjis("盗聴ノード検出 192.168.0.5"),
         QStringLiteral("盗聴ノード検出 192.168.0.5"), true},
        {"another type of service is no mark", true, 0x10, "node up", QStringLiteral("node up"),
         false},
        {"a text beyond the message size is cut", true, 0, std::string(3000, 'x'),
         QString(POPUP_MESSAGE_MAX, u'x'), false},
        {"a two-byte character across the limit is left out", true, 0,
         std::string(POPUP_MESSAGE_MAX - 1, 'x') + Sjis("盗聴"),
         QString(POPUP_MESSAGE_MAX - 1, u'x'), false},
        {"another host", false, 0, "spoofed", QString(), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PopupListener listener;
        ASSERT_TRUE(listener.Listen(0));
        listener.SetSenderCheck([&](const QHostAddress&) { return c.ownSender; });
        QStringList arrived;
        QList<bool> critical;
        QObject::connect(&listener, &PopupListener::MessageArrived,
                         [&](const QString& text, bool isCritical) {
                             arrived.append(text);
                             critical.append(isCritical);
                         });
        Sender sender(c.tos);
        sender.Send(listener.Port(), c.datagram);
        if (c.ownSender) {
            ASSERT_TRUE(ProcessUntil([&] { return arrived.count() == 1; }));
            EXPECT_EQ(arrived[0], c.shown);
            EXPECT_EQ(critical[0], c.critical);
            EXPECT_TRUE(ProcessUntil([&] { return sender.Answered(); }));
        } else {
            ProcessFor(300);
            EXPECT_EQ(arrived.count(), 0);
            EXPECT_FALSE(sender.Answered());
        }
    }
}

TEST(PopupListener, DatagramsFromAnotherUsersSocketAreDroppedAndCountedInTheNextAnswer) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "a socket of another user needs root";
    }
    PopupListener listener;
    ASSERT_TRUE(listener.Listen(0));
    QStringList arrived;
    QObject::connect(&listener, &PopupListener::MessageArrived,
                     [&](const QString& text, bool) { arrived.append(text); });
    // Another user's text, marked critical as the relay marks the sniffing-node alert.
    Sender stranger(POPUP_CRITICAL_TOS, test::STRANGER_UID);
    Sender own;
    auto answerTo = [&](const std::string& text) {
        own.Send(listener.Port(), text);
        std::optional<std::string> answer;
        EXPECT_TRUE(ProcessUntil([&] { return (answer = own.Answer()).has_value(); }));
        return answer;
    };
    stranger.Send(listener.Port(), Sjis("盗聴ノード検出 10.0.0.66"));
    stranger.Send(listener.Port(), "node up");

    EXPECT_EQ(answerTo("node down"), "OK foreign=2");
    EXPECT_EQ(answerTo("node up"), "OK") << "the count is told once";
    ProcessFor(300);
    EXPECT_EQ(arrived, (QStringList{QStringLiteral("node down"), QStringLiteral("node up")}));
    EXPECT_FALSE(stranger.Answered());
    EXPECT_EQ(listener.Dropped(), 2);
}

TEST(PopupListener, TheSenderCheckKnowsTheAddressesOfThisHost) {
    EXPECT_TRUE(IsOwnAddress(QHostAddress(QStringLiteral("127.0.0.1"))));
    EXPECT_TRUE(IsOwnAddress(QHostAddress(QStringLiteral("127.0.1.1"))));
    for (const QHostAddress& own : QNetworkInterface::allAddresses()) {
        if (own.protocol() == QAbstractSocket::IPv4Protocol) {
            EXPECT_TRUE(IsOwnAddress(own)) << own.toString().toStdString();
        }
    }
    // TEST-NET-1 is never an address of a host.
    EXPECT_FALSE(IsOwnAddress(QHostAddress(QStringLiteral("192.0.2.1"))));
}

TEST(PopupListener, ThePortIsForOneProgramOnly) {
    PopupListener first;
    ASSERT_TRUE(first.Listen(0));
    PopupListener second;
    EXPECT_FALSE(second.Listen(first.Port()));
}

QString LabelText(PopupWindow* window) {
    QString text;
    for (QLabel* label : window->findChildren<QLabel*>()) {
        if (label->textFormat() == Qt::PlainText) {
            text = label->text();
        }
    }
    return text;
}

void Click(QWidget* widget) {
    QPointF at(5, 5);
    QMouseEvent press(QEvent::MouseButtonPress, at, widget->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &press);
}

TEST(PopupStack, StacksMessagesAndClosesThemOnAClick) {
    PopupStack stack;
    stack.Show(QStringLiteral("first"));
    stack.Show(QStringLiteral("<b>second</b> & more"));
    stack.Show(QStringLiteral("third"));
    ASSERT_EQ(stack.Windows().size(), 3);
    for (PopupWindow* window : stack.Windows()) {
        EXPECT_TRUE(window->isVisible());
        EXPECT_TRUE(window->windowFlags() & Qt::WindowStaysOnTopHint);
    }
    // Markup stays text: the message holds names from the network.
    EXPECT_EQ(LabelText(stack.Windows()[1]), QStringLiteral("<b>second</b> & more"));
    // Each newer window sits above the older ones, none covering another.
    for (int i = 1; i < stack.Windows().size(); ++i) {
        QRect older = stack.Windows()[i - 1]->geometry();
        QRect newer = stack.Windows()[i]->geometry();
        EXPECT_LT(newer.bottom(), older.top());
    }
    QRect thirdPlace = stack.Windows()[2]->geometry();

    Click(stack.Windows()[1]);
    ASSERT_EQ(stack.Windows().size(), 2);
    EXPECT_EQ(stack.Windows()[0]->Text(), QStringLiteral("first"));
    EXPECT_EQ(stack.Windows()[1]->Text(), QStringLiteral("third"));
    // The gap closes: the newest moves down, still above the oldest.
    QRect thirdNow = stack.Windows()[1]->geometry();
    EXPECT_GT(thirdNow.bottom(), thirdPlace.bottom());
    EXPECT_LT(thirdNow.bottom(), stack.Windows()[0]->geometry().top());
}

TEST(PopupStack, AWindowIsTallEnoughForItsWrappedText) {
    PopupStack stack;
    stack.Show(QStringLiteral("盗聴ノード検出 192.168.10.40 <b>not bold</b> ｶﾞｰﾄﾞ"));
    stack.Show(
        QStringLiteral("新規ノード検出 192.168.10.23 00-11-22-33-44-55 PC-SALES01 "
                       "WORKGROUP Example Networks Inc. 2005/04/01 09:05:00"));
    QCoreApplication::processEvents();
    for (PopupWindow* window : stack.Windows()) {
        for (QLabel* label : window->findChildren<QLabel*>()) {
            EXPECT_GE(label->height(), label->heightForWidth(label->width()))
                << label->text().toStdString();
        }
    }
}

TEST(PopupStack, WindowsCloseAfterTheirTime) {
    PopupStack stack(50);
    stack.Show(QStringLiteral("node up"));
    stack.Show(QStringLiteral("node down"));
    EXPECT_TRUE(ProcessUntil([&] { return stack.Windows().isEmpty(); }));
}

TEST(PopupStack, ABurstClosesTheOldestWindows) {
    PopupStack stack;
    for (int i = 0; i < PopupStack::WINDOW_MAX + 2; ++i) {
        stack.Show(QString::number(i));
    }
    ASSERT_EQ(stack.Windows().size(), PopupStack::WINDOW_MAX);
    EXPECT_EQ(stack.Windows().front()->Text(), QStringLiteral("2"));
    EXPECT_EQ(stack.Windows().back()->Text(), QString::number(PopupStack::WINDOW_MAX + 1));
}

TEST(PopupQueue, AFloodKeepsTheNewestAndTheCriticalAndTellsHowManyWereDropped) {
    PopupQueue queue(50);
    QStringList ready;
    QList<bool> critical;
    QObject::connect(&queue, &PopupQueue::Ready, [&](const QString& text, bool isCritical) {
        ready.append(text);
        critical.append(isCritical);
    });
    // A message in a quiet moment goes on at once.
    queue.Add(QStringLiteral("first"), false);
    EXPECT_EQ(ready, QStringList{QStringLiteral("first")});

    // Twenty more before the next turn: the queue keeps its last eight, the critical one
    // among them however old.
    for (int i = 0; i < 20; ++i) {
        queue.Add(QStringLiteral("m%1").arg(i), i == 3);
    }
    ASSERT_TRUE(ProcessUntil([&] { return ready.size() == 1 + PopupQueue::QUEUE_MAX; }));
    ProcessFor(200);
    QStringList expected{
        QStringLiteral("first"),
        QStringLiteral("（表示しきれなかった古いメッセージ 12 件を破棄しました）\nm3")};
    for (int i = 13; i < 20; ++i) {
        expected.append(QStringLiteral("m%1").arg(i));
    }
    EXPECT_EQ(ready, expected);
    EXPECT_EQ(critical.count(true), 1);
    EXPECT_TRUE(critical[1]);
    EXPECT_EQ(queue.Dropped(), 12);

    // The count is told once; quiet again, the next message goes on at once.
    ProcessFor(100);
    queue.Add(QStringLiteral("later"), false);
    ASSERT_TRUE(ProcessUntil([&] { return ready.size() == 2 + PopupQueue::QUEUE_MAX; }));
    EXPECT_EQ(ready.back(), QStringLiteral("later"));
}

}  // namespace
}  // namespace halvera
