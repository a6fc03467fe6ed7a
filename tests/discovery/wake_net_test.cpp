// Wake-up packets and MAC learning between two namespaces of the test's own: the program's side
// is B, the sleeping computer's side A.
#include "common/net_test.h"
#include "common/wake_listener.h"
#include "connection/wake.h"
#include "discovery/remember.h"
#include "platform/tcp_socket.h"
#include "platform/wake_on_lan.h"

#include <arpa/inet.h>

#include <algorithm>

using namespace platform;

namespace {

class Wake : public NetTest {
protected:
    Wake() : NetTest(QStringLiteral("wake")) {}

    QString Subnet() const { return m_pair->AddressA().section(u'.', 0, 2); }
};

const MacAddress kSleeper{0x52, 0x54, 0x00, 0xab, 0xcd, 0xef};

}  // namespace

TEST_F(Wake, MagicPacketGoesToTheLinksBroadcastsAndTheLastAddressOnlyOverALinkThatIsUp) {
    CWakeListener listener(m_pair->NameA());
    ASSERT_TRUE(listener.Ok());
    ASSERT_EQ(SendWakePacket(MagicPacket(kSleeper), m_pair->AddressA().toStdString()),
              WakeSendResult::Sent);
    const QByteArray expected =
        QByteArray(6, char(0xFF)) + QByteArray("\x52\x54\x00\xab\xcd\xef", 6).repeated(16);
    QStringList targets;
    for (const auto& datagram : listener.Receive(3)) {
        EXPECT_EQ(datagram.bytes.toHex(), expected.toHex());
        targets << datagram.to;
    }
    targets.sort();
    EXPECT_EQ(targets, QStringList({m_pair->AddressA(), Subnet() + ".255", "255.255.255.255"}));

    // No route leads to a documentation address; then the one link goes down.
    EXPECT_EQ(SendWakePacket(MagicPacket(kSleeper), "192.0.2.1"), WakeSendResult::NoInterface);
    ASSERT_TRUE(Ip({"-n", m_pair->NameB(), "link", "set", m_pair->InterfaceB(), "down"}));
    EXPECT_EQ(SendWakePacket(MagicPacket(kSleeper), m_pair->AddressA().toStdString()),
              WakeSendResult::NoInterface);
    EXPECT_TRUE(listener.Receive(1, 500).empty());
}

TEST_F(Wake, MacComesFromTheAdvertisementElseFromTheNeighbourTable) {
    const auto link = ParseMac(LinkMac(m_pair->NameA()));
    ASSERT_TRUE(link);
    // A refused connection is enough for the kernel to learn the neighbour.
    CloseSocket(ConnectTcp(m_pair->AddressA().toStdString(), htons(1), std::chrono::seconds(5),
                           std::chrono::seconds(5)));
    const MacAddress advertised{0x02, 0x00, 0x00, 0x00, 0x00, 0x42};
    const std::string unknown = (Subnet() + ".99").toStdString();
    const struct {
        std::vector<MacAddress> advertised;
        std::string address;
        std::optional<MacAddress> learnt;
    } cases[] = {
        {{}, m_pair->AddressA().toStdString(), link},
        {{advertised}, m_pair->AddressA().toStdString(), advertised},
        {{advertised, *link}, m_pair->AddressA().toStdString(), link},
        {{advertised}, unknown, advertised},
        {{}, unknown, std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LearnMac(c.advertised, c.address), c.learnt)
            << c.address << " with " << c.advertised.size() << " advertised";
}
