// Network serial ports of linqor32: the telnet framing on its own (escaping, COM-PORT commands, the
// option negotiation), and the built library against a TCP server played by the test: raw bytes both
// ways, the RFC 2217 opening and line settings, a refused and a dropped connection, and port names
// from the ports directory that name a network port.
#include "pty/PtyLineFixture.h"

#include "linedriver/NetPort.h"
#include "linedriver/OpenText.h"
#include "linedriver/Telnet.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <algorithm>
#include <future>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace linqortest;
using namespace std::chrono_literals;

namespace {

Bytes B(std::initializer_list<int> v) {
    Bytes out;
    for (int b : v) out.push_back(uint8_t(b));
    return out;
}

bool Contains(const Bytes &hay, const Bytes &needle) {
    return std::search(hay.begin(), hay.end(), needle.begin(), needle.end()) != hay.end();
}

// ---- telnet framing ----

TEST(Telnet, EscapeDoublesEveryIacAndNeverSplitsOne) {
    const Bytes in = B({0x41, 0xFF, 0x00, 0xFF});
    uint8_t buf[8];
    linqor::ByteSink all{buf, sizeof buf};
    EXPECT_EQ(linqor::EscapeData(in.data(), in.size(), all), 4u);
    EXPECT_EQ(Bytes(buf, buf + all.size), B({0x41, 0xFF, 0xFF, 0x00, 0xFF, 0xFF}));
    linqor::ByteSink tight{buf, 2};  // room for 0x41 and half of the doubled 0xFF
    EXPECT_EQ(linqor::EscapeData(in.data(), in.size(), tight), 1u);
    EXPECT_EQ(tight.size, 1u);
}

struct TComPortCase {
    uint8_t command;
    uint32_t value;
    int size;
    Bytes frame;
};

TEST(Telnet, ComPortCommandsCarryTheirValueBigEndianAndEscaped) {
    const TComPortCase cases[] = {
        {linqor::telnet::kSetBaud, 9600, 4, B({255, 250, 44, 1, 0, 0, 0x25, 0x80, 255, 240})},
        {linqor::telnet::kSetBaud, 0xFF00, 4, B({255, 250, 44, 1, 0, 0, 0xFF, 0xFF, 0, 255, 240})},
        {linqor::telnet::kSetDataSize, 7, 1, B({255, 250, 44, 2, 7, 255, 240})},
        {linqor::telnet::kPurgeData, 3, 1, B({255, 250, 44, 12, 3, 255, 240})},
    };
    for (const TComPortCase &c : cases) {
        uint8_t buf[20];
        linqor::ByteSink sink{buf, sizeof buf};
        linqor::AppendComPort(sink, c.command, c.value, c.size);
        EXPECT_EQ(Bytes(buf, buf + sink.size), c.frame) << int(c.command) << " " << c.value;
    }
    // linqor32 parity 0..4 (none odd even mark space) and stop codes 0/1/2 (one, one and a half, two).
    EXPECT_EQ(linqor::ComPortParity(0), 1);
    EXPECT_EQ(linqor::ComPortParity(2), 3);
    EXPECT_EQ(linqor::ComPortParity(4), 5);
    EXPECT_EQ(linqor::ComPortParity(5), 0);
    EXPECT_EQ(linqor::ComPortStopSize(0), 1);
    EXPECT_EQ(linqor::ComPortStopSize(1), 3);
    EXPECT_EQ(linqor::ComPortStopSize(2), 2);
}

struct TDecodeCase {
    const char *name;
    Bytes in;
    Bytes data;
    Bytes reply;
};

class TelnetDecode : public ::testing::TestWithParam<TDecodeCase> {};

// The decoder after the client's opening; each row fed once whole and once byte by byte.
TEST_P(TelnetDecode, SplitsDataFromCommandsAndAnswersOnlyRealRequests) {
    const TDecodeCase &c = GetParam();
    for (const bool split : {false, true}) {
        linqor::TelnetDecoder d;
        d.opened();
        uint8_t dataBuf[64], replyBuf[64];
        linqor::ByteSink data{dataBuf, sizeof dataBuf}, reply{replyBuf, sizeof replyBuf};
        if (split)
            for (uint8_t b : c.in) d.feed(&b, 1, data, reply);
        else
            d.feed(c.in.data(), c.in.size(), data, reply);
        EXPECT_EQ(Bytes(dataBuf, dataBuf + data.size), c.data) << (split ? "bytewise" : "whole");
        EXPECT_EQ(Bytes(replyBuf, replyBuf + reply.size), c.reply) << (split ? "bytewise" : "whole");
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, TelnetDecode, ::testing::Values(
    TDecodeCase{"plainData", B({1, 'x', 3}), B({1, 'x', 3}), {}},
    TDecodeCase{"escapedIac", B({'a', 255, 255, 'b'}), B({'a', 255, 'b'}), {}},
    TDecodeCase{"agreementToOurRequestsNeedsNoAnswer", B({255, 253, 44, 255, 253, 0, 255, 251, 0, 255, 251, 3}), {}, {}},
    TDecodeCase{"echoRefused", B({255, 251, 1}), {}, B({255, 254, 1})},
    TDecodeCase{"unknownDoRefused", B({255, 253, 24}), {}, B({255, 252, 24})},
    TDecodeCase{"repeatedRefusalNotAnsweredTwice", B({255, 251, 1, 255, 252, 1}), {}, B({255, 254, 1})},
    TDecodeCase{"dontAfterAgreementAcknowledged", B({255, 253, 44, 255, 254, 44}), {}, B({255, 252, 44})},
    TDecodeCase{"subnegotiationSwallowed", B({'a', 255, 250, 44, 107, 255, 255, 255, 240, 'b'}), B({'a', 'b'}), {}},
    TDecodeCase{"nopAndGoAheadIgnored", B({255, 241, 'a', 255, 249}), B({'a'}), {}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(Telnet, ComPortStateFollowsTheServer) {
    linqor::TelnetDecoder d;
    d.opened();
    uint8_t buf[16];
    linqor::ByteSink data{buf, 8}, reply{buf + 8, 8};
    EXPECT_FALSE(d.comPortAgreed());
    d.feed(B({255, 253, 44}).data(), 3, data, reply);
    EXPECT_TRUE(d.comPortAgreed());
    linqor::TelnetDecoder refused;
    refused.opened();
    refused.feed(B({255, 254, 44}).data(), 3, data, reply);
    EXPECT_TRUE(refused.comPortRefused());
}

TEST(NetPortNames, OpenTextKeepsTheHostPortColonInTheName) {
    const linqor::OpenText t = linqor::ParseOpenText("rfc2217://[::1]:4001:9600,E,7,1,TO900");
    EXPECT_EQ(t.port, "rfc2217://[::1]:4001");
    EXPECT_EQ(t.settings.baud, 9600);
    EXPECT_EQ(t.receiveTimeoutMs, 900);
    EXPECT_EQ(linqor::ParseOpenText("TCP://gw:1:4800").port, "TCP://gw:1");
    EXPECT_EQ(linqor::ParseOpenText("COM1:9600").port, "COM1");
    EXPECT_TRUE(linqor::IsNetworkPortName("Rfc2217://x:1"));
    EXPECT_FALSE(linqor::IsNetworkPortName("/dev/ttyS0"));
}

// ---- the library against a TCP server played by the test ----

class TcpServer {
public:
    TcpServer() {
        listen_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        bind(listen_, reinterpret_cast<sockaddr *>(&a), sizeof a);
        listen(listen_, 4);
        getsockname(listen_, reinterpret_cast<sockaddr *>(&a), &len);
        port_ = ntohs(a.sin_port);
    }
    ~TcpServer() {
        closeConnection();
        ::close(listen_);
    }
    std::string url(const char *scheme) const { return std::string(scheme) + "://127.0.0.1:" + std::to_string(port_); }
    bool accept(std::chrono::milliseconds within = 5000ms) {
        pollfd p{listen_, POLLIN, 0};
        if (poll(&p, 1, int(within.count())) != 1) return false;
        conn_ = ::accept(listen_, nullptr, nullptr);
        return conn_ >= 0;
    }
    void send(const Bytes &b) const { ASSERT_EQ(::send(conn_, b.data(), b.size(), MSG_NOSIGNAL), ssize_t(b.size())); }
    // What arrives until `count` bytes are there or nothing came for `quiet`.
    Bytes receive(size_t count, std::chrono::milliseconds quiet = 2000ms) const {
        Bytes out;
        while (out.size() < count) {
            pollfd p{conn_, POLLIN, 0};
            if (poll(&p, 1, int(quiet.count())) != 1) break;
            uint8_t buf[256];
            const ssize_t n = recv(conn_, buf, sizeof buf, 0);
            if (n <= 0) break;
            out.insert(out.end(), buf, buf + n);
        }
        return out;
    }
    void closeConnection() {
        if (conn_ >= 0) ::close(conn_);
        conn_ = -1;
    }

private:
    int listen_ = -1;
    int conn_ = -1;
    int port_ = 0;
};

class NetPortLibrary : public ::testing::Test {
protected:
    void SetUp() override {
        if (!lib.loaded()) GTEST_SKIP() << "linqor32.so is not built";
    }
    korvultest::TempConfigHome home;  // no ports directory or trace options of the user
    LineLibrary lib;
    TcpServer server;
};

TEST_F(NetPortLibrary, RawPortPassesEveryByteUnchangedBothWays) {
    ASSERT_EQ(lib.open(server.url("tcp") + ":9600,N,8,1,TO1000"), deOK);
    ASSERT_TRUE(server.accept());
    ASSERT_EQ(lib.write(std::string("\xFF\x01" "A\x00", 4)), deOK);
    EXPECT_EQ(server.receive(4), B({0xFF, 0x01, 'A', 0x00}));
    server.send(B({0xFF, 0xFF, 'z'}));
    Bytes got;
    int32_t count = 0;
    EXPECT_EQ(lib.read(3, got, count), deOK);
    EXPECT_EQ(got, B({0xFF, 0xFF, 'z'}));
    EXPECT_EQ(lib.read(1, got, count), deTimeout) << "silence is a time-out, as on a local port";
}

TEST_F(NetPortLibrary, Rfc2217OpensWithTheLineSettingsAndEscapesData) {
    auto opened = std::async(std::launch::async, [&] { return lib.open(server.url("rfc2217") + ":9600,E,7,1,TO1000"); });
    ASSERT_TRUE(server.accept());
    EXPECT_EQ(server.receive(12), B({255, 251, 44, 255, 251, 0, 255, 253, 0, 255, 253, 3})) << "the opening";
    server.send(B({255, 253, 44, 255, 253, 0, 255, 251, 0, 255, 251, 3, 255, 251, 1}));
    ASSERT_EQ(opened.get(), deOK);
    const Bytes settings = server.receive(200, 500ms);
    EXPECT_TRUE(Contains(settings, B({255, 254, 1}))) << "echo refused";
    EXPECT_TRUE(Contains(settings, B({255, 250, 44, 1, 0, 0, 0x25, 0x80, 255, 240}))) << "9600 baud";
    EXPECT_TRUE(Contains(settings, B({255, 250, 44, 2, 7, 255, 240}))) << "7 data bits";
    EXPECT_TRUE(Contains(settings, B({255, 250, 44, 3, 3, 255, 240}))) << "even parity";
    EXPECT_TRUE(Contains(settings, B({255, 250, 44, 4, 1, 255, 240}))) << "one stop bit";
    EXPECT_TRUE(Contains(settings, B({255, 250, 44, 12, 1, 255, 240}))) << "receive purge at open";
    ASSERT_EQ(lib.write(std::string("\xFF\x10", 2)), deOK);
    EXPECT_EQ(server.receive(3), B({0xFF, 0xFF, 0x10}));
    server.send(B({0xFF, 0xFF, 'A', 255, 250, 44, 107, 0, 255, 240, 'B'}));
    Bytes got;
    int32_t count = 0;
    EXPECT_EQ(lib.read(3, got, count), deOK);
    EXPECT_EQ(got, B({0xFF, 'A', 'B'}));
    int32_t flags = 1;
    EXPECT_EQ(lib.call(dpPurge, nullptr, &flags, nullptr), deOK);
    EXPECT_EQ(server.receive(7), B({255, 250, 44, 12, 2, 255, 240})) << "transmit purge reaches the remote port";
}

TEST_F(NetPortLibrary, ServerRefusingComPortFailsTheOpen) {
    auto opened = std::async(std::launch::async, [&] { return lib.open(server.url("rfc2217") + ":9600,N,8,1"); });
    ASSERT_TRUE(server.accept());
    server.receive(12);
    server.send(B({255, 254, 44}));
    EXPECT_EQ(opened.get(), deNetConnection);
}

TEST_F(NetPortLibrary, RefusedAndDroppedConnectionsHaveTheirOwnCode) {
    std::string closedUrl;
    {
        TcpServer gone;  // its port listens no more once it is gone
        closedUrl = gone.url("tcp");
    }
    EXPECT_EQ(lib.open(closedUrl + ":9600,N,8,1"), deNetConnection);

    ASSERT_EQ(lib.open(server.url("tcp") + ":9600,N,8,1,TO2000"), deOK);
    ASSERT_TRUE(server.accept());
    server.send(B({'a', 'b'}));
    server.closeConnection();
    Bytes got;
    int32_t count = 0;
    EXPECT_EQ(lib.read(5, got, count), deNetConnection);
    EXPECT_EQ(count, 2) << "the bytes before the drop are delivered";
    EXPECT_EQ(lib.write("x"), deNetConnection);
}

TEST_F(NetPortLibrary, PortsDirectoryEntryMayNameANetworkPort) {
    const QString ports = home.korvulDir() + "/ports";
    ASSERT_TRUE(QDir().mkpath(ports));
    const QString url = QString::fromStdString(server.url("tcp"));
    ASSERT_TRUE(QFile::link(url, ports + "/COM7")) << "a dangling symbolic link holding the URL";
    QFile file(ports + "/COM8");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write((url + "\n").toUtf8());
    file.close();
    for (const char *name : {"COM7", "COM8"}) {
        ASSERT_EQ(lib.open(std::string(name) + ":9600,N,8,1"), deOK) << name;
        EXPECT_TRUE(server.accept()) << name;
        ASSERT_EQ(lib.write("k"), deOK);
        EXPECT_EQ(server.receive(1), B({'k'})) << name;
        server.closeConnection();
        lib.call(dpClose);
    }
    EXPECT_EQ(lib.open("tcp://no-port-given:9600,N,8,1"), deOpenFailed);
}

} // namespace
