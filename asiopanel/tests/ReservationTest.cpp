#include "Reservation.h"

#include <gtest/gtest.h>
#include <objbase.h>

#include <string>

#include "quorvi/DriverClsids.h"

using namespace asiopanel;

TEST(CommandLine, OnlySlashEasiInAnyCaseOpensOnEasi) {
    EXPECT_EQ(interfaceFromCommandLine("/EASI"), Interface::Easi);
    EXPECT_EQ(interfaceFromCommandLine("/easi"), Interface::Easi);
    EXPECT_EQ(interfaceFromCommandLine(" /Easi "), Interface::Easi);
    for (const char* other : {"", "ASIO", "/ASIO", "EASI", "/EASI2", "/EAS"})
        EXPECT_EQ(interfaceFromCommandLine(other), Interface::Asio) << other;
}

TEST(Latency, OutOfRangeStoredValuesBecomeTheDefault) {
    ReservationModel model;
    model.settings(Interface::Asio).blockLatency = 1;
    model.settings(Interface::Easi).blockLatency = 1024;
    model.settings(Interface::Gsif).blockLatency = 8;
    model.resetInvalidLatencies();
    EXPECT_EQ(model.settings(Interface::Asio).blockLatency, 48u);
    EXPECT_EQ(model.settings(Interface::Easi).blockLatency, 1024u);
    EXPECT_EQ(model.settings(Interface::Gsif).blockLatency, 48u);
}

TEST(Latency, TypedValuesAreCorrectedToTheNearestLimit) {
    ReservationModel model(Interface::Asio);
    struct Case { const char* text; std::uint32_t blocks; bool corrected; };
    for (Case c : {Case{"2000", 1024, true}, Case{"1", 2, true}, Case{"0", 2, true},
                   Case{"-5", 2, true}, Case{"99999999999999999999999", 1024, true},
                   Case{"", 2, true}, Case{"abc", 2, true}, Case{"12x", 2, true},
                   Case{" 512", 512, false}, Case{"2", 2, false}, Case{"1024", 1024, false}}) {
        LatencyEntry entry = model.enterLatency(c.text);
        EXPECT_EQ(entry.blocks, c.blocks) << '"' << c.text << '"';
        EXPECT_EQ(entry.corrected, c.corrected) << '"' << c.text << '"';
        EXPECT_EQ(model.settings(Interface::Asio).blockLatency, c.blocks);
    }
    model.select(Interface::Gsif);
    EXPECT_EQ(model.enterLatency("1").blocks, 16u);
    EXPECT_EQ(model.settings(Interface::Asio).blockLatency, 1024u);
}

TEST(Latency, TextsInMillisecondsAtBothRates) {
    ReservationModel model;
    auto& asio = model.settings(Interface::Asio);
    asio.blockLatency = 48;
    asio.outputCoefficient = 2;
    asio.outputConstant = 32;
    EXPECT_EQ(model.latencySamples(), 6176u);
    EXPECT_EQ(model.latencyText48k(), "128.7 ms");
    EXPECT_EQ(model.latencyText44k(), "140.0 ms");

    asio.outputCoefficient = 0xFFFFFFFF;  // an installer's garbage must not wrap round
    EXPECT_EQ(model.latencySamples(), 32 + 48ull * 0xFFFFFFFF * 64);
}

TEST(Grid, EachInterfaceAndBoardKeepsItsOwnTicks) {
    ReservationModel model(Interface::Asio);
    model.selectBoard(1);
    model.collect({0x00FF, 0x30000});
    model.select(Interface::Easi);
    EXPECT_EQ(model.shownChannels(), (BoardChannels{0, 0}));
    model.reserveAll();
    model.selectBoard(0);
    EXPECT_EQ(model.shownChannels(), (BoardChannels{0, 0}));
    model.select(Interface::Asio);
    model.selectBoard(1);
    EXPECT_EQ(model.shownChannels(), (BoardChannels{0x00FF, 0x30000}));
    EXPECT_EQ(model.settings(Interface::Easi).reservation.in[1], kAllInputs);
    EXPECT_EQ(model.settings(Interface::Easi).reservation.out[1], kAllOutputs);
    model.reserveNone();
    EXPECT_EQ(model.shownChannels(), (BoardChannels{0, 0}));
}

TEST(Grid, GsifNeitherShowsNorStoresInputs) {
    ReservationModel model;
    model.settings(Interface::Gsif).reservation.in[0] = 0x0F;
    model.settings(Interface::Gsif).reservation.out[0] = 0x0F;
    model.select(Interface::Gsif);
    EXPECT_FALSE(model.inputsEnabled());
    EXPECT_EQ(model.shownChannels(), (BoardChannels{0, 0x0F}));
    model.reserveAll();
    EXPECT_EQ(model.settings(Interface::Gsif).reservation.in[0], 0u);
    EXPECT_EQ(model.settings(Interface::Gsif).reservation.out[0], kAllOutputs);
}

TEST(Grid, AllUnusedLeavesWhatTheOtherTwoHold) {
    ReservationModel model(Interface::Easi);
    model.settings(Interface::Asio).reservation.in[0] = 0x000F;
    model.settings(Interface::Gsif).reservation.out[0] = 0x30000;
    model.settings(Interface::Asio).reservation.out[1] = 0xFF;  // another board: no effect
    model.reserveAllUnused();
    EXPECT_EQ(model.settings(Interface::Easi).reservation.in[0], 0xFFF0u);
    EXPECT_EQ(model.settings(Interface::Easi).reservation.out[0], 0xFFFFu);
}

TEST(DriverClsids, KeyNamesSpellTheGuidsAsWindowsDoes) {
    for (auto [id, key] : {std::pair{quorvi::kAsioDriverClsid, quorvi::kAsioDriverKey},
                           std::pair{quorvi::kEasiDriverClsid, quorvi::kEasiDriverKey},
                           std::pair{quorvi::kGsifDriverClsid, quorvi::kGsifDriverKey}}) {
        wchar_t wide[40];
        ASSERT_EQ(StringFromGUID2(id, wide, 40), 39);
        EXPECT_EQ("CLSID\\" + std::string(wide, wide + 38), key.data());
    }
}
