// The Ethernet link and its watch thread against the simulated controller's TCP side on the
// loopback interface: echoes, the status record, the identity request, every transport fault,
// and a controller that drops the connection and is connected again.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "machine_link/ethernet_link.h"
#include "machine_link/ethernet_watch.h"
#include "platform/tcp_client.h"
#include "sim/controller_model.h"
#include "sim/tcp_controller.h"
#include "support/machine_rig.h"
#include "support/test_support.h"

using namespace vellisk;
using vellisk::sim::ControllerModel;
using vellisk::sim::TcpController;
using vellisk::sim::TcpFaults;

namespace {

struct EthernetFixture : ::testing::Test, test::MachineRig {
    test::RecordingNotifier notifier;
    ControllerModel model;
    TcpController server{sim::ModelHooks(model)};
    std::unique_ptr<TfEthernet> eth;

    void SetUp() override {
        env.Lang.Language = kLangEnglish;
        ctx.PlotterIP = "127.0.0.1";
        model.model = "NKV 484";
        model.productionDate = "20240115";
        eth = std::make_unique<TfEthernet>(ctx, env, notifier);
        eth->SetPorts(server.CommandPort(), server.IdentityPort());
        EthernetTimeouts t;
        t.ReplyMs = 100;
        t.ConnectMs = 1000;
        t.IdentityMs = 500;
        eth->SetTimeouts(t);
    }

    void Connect() {
        ASSERT_TRUE(eth->ConnectCommandClient());
        ASSERT_TRUE(ctx.EthernetConnected);
        eth->DeliverPending();
        notifier.statuses.clear();
    }

    void SetFaults(const TcpFaults& f) { server.SetFaults(f); }
};

}  // namespace

TEST(EthernetIdentity, ParseIsBoundedByTheBytesReceived) {
    const std::string good = "xyzDRANHOLT.............NKV 484 .............20240115";
    auto id = ParseIdentityReply(good);
    ASSERT_TRUE(id);
    EXPECT_EQ(id->Producer, "DRANHOLT");
    EXPECT_EQ(id->Model, "NKV 484 ");
    EXPECT_EQ(id->ProductionDate, "20240115");
    // Exactly marker + 50 characters is enough; one less is not.
    EXPECT_TRUE(ParseIdentityReply(good.substr(0, 3 + 50)));
    EXPECT_FALSE(ParseIdentityReply(good.substr(0, 3 + 49)));
    EXPECT_FALSE(ParseIdentityReply(""));
    EXPECT_FALSE(ParseIdentityReply("xyzDranholt.............NKV 484 .............20240115"));
    EXPECT_FALSE(ParseIdentityReply("DRANHOL"));
}

TEST_F(EthernetFixture, ConnectRequestsIdentityThenOpensTheLink) {
    EXPECT_FALSE(ctx.EthernetConnected);
    EXPECT_FALSE(eth->Connected());
    EXPECT_EQ(eth->Write("X"), kEthNoEcho) << "nothing is sent before the connection";
    ASSERT_TRUE(eth->ConnectCommandClient());
    EXPECT_TRUE(ctx.EthernetConnected);
    EXPECT_EQ(server.IdentityRequests(), 1);
    EXPECT_EQ(server.CommandConnections(), 1);
    // Nothing reaches the machine state or the status bar until the main thread takes it.
    EXPECT_TRUE(notifier.statuses.empty());
    EXPECT_EQ(ctx.PlotState.Producer, "Dranholt");
    eth->DeliverPending();
    EXPECT_EQ(ctx.PlotState.Producer, "DRANHOLT");
    EXPECT_EQ(ctx.PlotState.Model, "NKV 484 ");
    EXPECT_EQ(ctx.PlotState.ProductionDate, "20240115");
    EXPECT_EQ(notifier.statuses, (std::vector<std::string>{"Ethernet connected"}));
}

TEST_F(EthernetFixture, EchoWithFirstLetterUpperCasedIsAGoodExchange) {
    Connect();
    {
        auto lock = server.Lock();
        model.armController = true;  // moves of 15 bytes
    }
    // A job-file command with lower-case "a" comes back with "A", otherwise the same bytes.
    std::string move = "a";
    for (int i = 1; i < 15; ++i) move += static_cast<char>(i * 17);
    EXPECT_EQ(eth->Write(move), kLinkOk);
    EXPECT_EQ(eth->Write("X"), kLinkOk);
    // A binary first byte is not a letter and is echoed unchanged.
    EXPECT_EQ(eth->Write(std::string("\xE1\x01\x02", 3)), kLinkOk);
    const auto req = server.Requests();
    ASSERT_EQ(req.size(), 3u);
    EXPECT_EQ(req[0], move);
    {
        auto lock = server.Lock();
        EXPECT_EQ(model.job.size(), 1u);
    }
    // A command longer than the 128-byte buffer is cut.
    EXPECT_EQ(eth->Write(std::string(200, '\xE1')), kLinkOk);
    EXPECT_EQ(server.Requests().back().size(), 128u);
}

// The simulated controller frames its input by the command lengths, as the controller does:
// a job command and two status requests that arrive in one read are three requests, and a
// command split over two segments is one.
TEST_F(EthernetFixture, TheControllerFramesCommandsByTheirLengths) {
    {
        auto lock = server.Lock();
        model.armController = true;
    }
    TcpClient raw;
    ASSERT_EQ(raw.Connect("127.0.0.1", server.CommandPort(), 1000), 0);
    const std::string move = "a" + std::string(14, '\x01');
    ASSERT_EQ(raw.SendAll("SX" + move + "SX", 1000), TcpClient::Io::Ok);
    ASSERT_TRUE(test::WaitUntil([&] { return server.RequestCount() >= 3; }));
    ASSERT_EQ(raw.SendAll(move.substr(0, 5), 1000), TcpClient::Io::Ok);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_EQ(raw.SendAll(move.substr(5), 1000), TcpClient::Io::Ok);
    ASSERT_TRUE(test::WaitUntil([&] { return server.RequestCount() >= 4; }));
    EXPECT_EQ(server.Requests(), (std::vector<std::string>{"SX", move, "SX", move}));
    EXPECT_EQ(server.StatusRequests(), 2);
}

TEST_F(EthernetFixture, EchoFaults) {
    Connect();
    TcpFaults f;
    f.NoEcho = true;
    SetFaults(f);
    EXPECT_EQ(eth->Write("Y"), kEthNoEcho);

    f = {};
    f.ShortEcho = true;
    SetFaults(f);
    EXPECT_EQ(eth->Write("T\x01\x02"), kEthEchoLength);

    f = {};
    f.ChangedEcho = true;
    SetFaults(f);
    EXPECT_EQ(eth->Write("T\x01\x02"), kEthEchoDiffers);

    // An echo in two segments is read whole.
    f = {};
    f.SplitEcho = true;
    f.SplitGapMs = 20;
    SetFaults(f);
    EXPECT_EQ(eth->Write("T\x01\x02\x03\x04\x05"), kLinkOk);
    std::vector<std::uint8_t> rec;
    EXPECT_TRUE(eth->ReadStatusRecord(rec)) << "the status record in two segments is read whole";
    EXPECT_EQ(rec.size(), kStatusRecordMinSize);

    // None of these failures dropped the connection.
    EXPECT_TRUE(ctx.EthernetConnected);
    SetFaults({});
    EXPECT_EQ(eth->Write("Y"), kLinkOk);
}

TEST_F(EthernetFixture, StatusRecordAndItsFaults) {
    Connect();
    {
        auto lock = server.Lock();
        model.stepX = -123456;
        model.statusByte = 0x21;
        model.keyByte = 0x10;
    }
    std::vector<std::uint8_t> rec;
    ASSERT_TRUE(eth->ReadStatusRecord(rec));
    ASSERT_EQ(rec.size(), kStatusRecordMinSize);
    EXPECT_EQ(rec[4], 0x21);
    EXPECT_EQ(rec[5], 0x10);
    EXPECT_EQ(sim::ReadLittleEndian(std::string(rec.begin(), rec.end()), 8, 4), static_cast<std::uint32_t>(-123456));

    // A record shorter than its layout is taken as no reply.
    TcpFaults f;
    f.StatusLength = static_cast<int>(kStatusRecordMinSize) - 1;
    SetFaults(f);
    EXPECT_FALSE(eth->ReadStatusRecord(rec));
    EXPECT_TRUE(rec.empty());

    f = {};
    f.NoStatusReply = true;
    SetFaults(f);
    EXPECT_FALSE(eth->ReadStatusRecord(rec));

    SetFaults({});
    EXPECT_TRUE(eth->ReadStatusRecord(rec));
}

TEST_F(EthernetFixture, LateReplyIsNeverReadAsTheNextReply) {
    Connect();
    {
        auto lock = server.Lock();
        model.keyByte = 0;  // no keys pressed
        model.statusByte = 0x21;
    }
    TcpFaults f;
    f.ReplyDelayMs = 200;  // twice the 100 ms reply time-out
    SetFaults(f);
    const int replies = server.RepliesSent();
    // The echo of this command arrives after the time-out; read as the start of the status
    // record, its bytes 4 and 5 would be the status byte 0x25 and the keys START and STOP.
    EXPECT_EQ(eth->Write(std::string("SA\x02\x03\x25\x18", 6)), kEthNoEcho);
    ASSERT_TRUE(test::WaitUntil([&] { return server.RepliesSent() > replies; })) << "the late echo is out";
    SetFaults({});
    std::vector<std::uint8_t> rec;
    ASSERT_TRUE(eth->ReadStatusRecord(rec));
    EXPECT_EQ(rec[4], 0x21) << "the late echo was dropped, not taken as the record";
    EXPECT_EQ(rec[5], 0);
    EXPECT_EQ(eth->Reopens(), 1) << "the request after the missed echo went on a new connection";
    EXPECT_EQ(server.CommandConnections(), 2);
    EXPECT_EQ(eth->Write("Y"), kLinkOk);
}

// A controller that stalls inside a command takes whatever arrives next on that connection as
// the command's rest: after a missed echo nothing more is sent on it.
TEST_F(EthernetFixture, AfterAMissedEchoTheNextCommandGoesOnANewConnection) {
    Connect();
    TcpFaults f;
    f.NoEcho = true;
    f.FaultCommand = 1;
    SetFaults(f);
    EXPECT_EQ(eth->Write("C"), kEthNoEcho);
    EXPECT_EQ(eth->Write("Y"), kLinkOk);
    EXPECT_TRUE(ctx.EthernetConnected);
    EXPECT_EQ(server.CommandConnections(), 2);
    const std::vector<std::string> r = server.Requests();
    ASSERT_GE(r.size(), 2u);
    EXPECT_EQ(r[r.size() - 2], "C");
    EXPECT_EQ(r.back(), "Y");
}

TEST_F(EthernetFixture, ControllerThatStopsAnsweringCountsAsGone) {
    Connect();
    TcpFaults f;
    f.NoEcho = true;
    SetFaults(f);
    EXPECT_EQ(eth->Write("Y"), kEthNoEcho);
    EXPECT_EQ(eth->Write("Y"), kEthNoEcho);
    EXPECT_TRUE(ctx.EthernetConnected);
    EXPECT_EQ(eth->Write("Y"), kEthNoEcho);
    EXPECT_FALSE(ctx.EthernetConnected) << "three silent exchanges in a row: the link is lost";
    EXPECT_FALSE(eth->Connected());
    eth->DeliverPending();
    EXPECT_EQ(notifier.statuses, (std::vector<std::string>{"Ethernet disconnected"}));
}

TEST_F(EthernetFixture, RefusedConnectionsLeaveTheLinkDown) {
    server.RefuseConnections(true);
    EXPECT_FALSE(eth->ConnectCommandClient());
    EXPECT_FALSE(ctx.EthernetConnected);
    eth->DeliverPending();
    EXPECT_TRUE(notifier.statuses.empty()) << "a failed connect shows nothing";
    server.RefuseConnections(false);
    EXPECT_TRUE(eth->ConnectCommandClient());
    EXPECT_TRUE(ctx.EthernetConnected);
}

TEST_F(EthernetFixture, IdentityFaultsLeaveTheTextsAsTheyWere) {
    TcpFaults f;
    f.IdentityNoMarker = true;
    SetFaults(f);
    const tplotstate before = ctx.PlotState;
    Connect();
    EXPECT_EQ(ctx.PlotState.Producer, before.Producer);
    EXPECT_EQ(ctx.PlotState.Model, before.Model);
    EXPECT_EQ(ctx.PlotState.ProductionDate, before.ProductionDate);

    f = {};
    f.IdentityLength = 3 + 49;  // one character short of the date
    SetFaults(f);
    LinkIdentity id{"p", "m", "d"};
    EXPECT_FALSE(eth->ReadIdentity(id));
    EXPECT_EQ(id.Model, "m");

    // No listener on the identity port: the command link still opens.
    server.DropConnection();
    EXPECT_EQ(eth->Write("Y"), kEthNoEcho);
    server.RefuseIdentity(true);
    SetFaults({});
    ASSERT_TRUE(eth->ConnectCommandClient());
    EXPECT_TRUE(ctx.EthernetConnected);
    eth->DeliverPending();
    EXPECT_EQ(ctx.PlotState.Model, before.Model);

    server.RefuseIdentity(false);
    ASSERT_TRUE(eth->ReadIdentity(id));
    EXPECT_EQ(id.Model, "NKV 484 ");
}

TEST_F(EthernetFixture, RestartSendsTheNextConnectToTheNewAddress) {
    ctx.PlotterIP = "127.0.0.2";  // loopback too, but nothing listens there
    eth->restart();
    EXPECT_FALSE(eth->ConnectCommandClient());
    ctx.PlotterIP = "127.0.0.1";
    eth->restart();
    EXPECT_TRUE(eth->ConnectCommandClient());
}

TEST_F(EthernetFixture, WatchThreadConnectsWhenResumedAndReconnectsAfterADrop) {
    tEthernetCzuwanie watch(*eth);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_TRUE(watch.Suspended());
    EXPECT_EQ(watch.Passes(), 0);
    EXPECT_EQ(server.CommandConnections(), 0) << "created suspended";

    watch.Resume();
    ASSERT_TRUE(test::WaitUntil([&] { return ctx.EthernetConnected.load(); }));
    ASSERT_TRUE(test::WaitUntil([&] { return watch.Passes() == 1 && watch.Suspended(); }));
    EXPECT_EQ(eth->Write("X"), kLinkOk);

    // Resumed while connected: nothing to do.
    watch.Resume();
    ASSERT_TRUE(test::WaitUntil([&] { return watch.Passes() == 2; }));
    EXPECT_EQ(server.CommandConnections(), 1);

    // The controller drops the connection: the next exchange notices it.
    server.DropConnection();
    std::vector<std::uint8_t> rec;
    EXPECT_FALSE(eth->ReadStatusRecord(rec));
    EXPECT_FALSE(ctx.EthernetConnected);
    EXPECT_EQ(eth->Write("X"), kEthNoEcho);

    // The panel's timer resumes the thread; it connects again.
    watch.Resume();
    ASSERT_TRUE(test::WaitUntil([&] { return ctx.EthernetConnected.load(); }));
    EXPECT_EQ(server.CommandConnections(), 2);
    EXPECT_TRUE(eth->ReadStatusRecord(rec));
    eth->DeliverPending();
    EXPECT_EQ(notifier.statuses,
              (std::vector<std::string>{"Ethernet connected", "Ethernet disconnected", "Ethernet connected"}));
    watch.Terminate();
}

TEST_F(EthernetFixture, WatchThreadStopsWhileAConnectIsRefused) {
    server.RefuseConnections(true);
    int wakes = 0;
    eth->SetWake([&] { ++wakes; });
    {
        tEthernetCzuwanie watch(*eth);
        watch.Resume();
        ASSERT_TRUE(test::WaitUntil([&] { return watch.Passes() == 1; }));
        EXPECT_FALSE(ctx.EthernetConnected);
    }
    EXPECT_EQ(wakes, 0);
}
