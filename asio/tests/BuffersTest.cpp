// Buffer sizes, the checks on a host's buffer requests and the shared block.
#include <gtest/gtest.h>

#include <vector>

#include "Buffers.h"

using namespace quorviasio;

namespace {

TEST(Buffers, StoredLatencyOutsideItsRangeGivesTheDefaultAndIsStoredBack) {
    EXPECT_EQ(PreferredBlockFor(1).samples, 64);
    EXPECT_EQ(PreferredBlockFor(1024).samples, 65536);
    EXPECT_FALSE(PreferredBlockFor(48).storeDefault);
    for (std::uint32_t bad : {0u, 1025u, 0xFFFFFFFFu}) {
        EXPECT_EQ(PreferredBlockFor(bad).samples, 3072) << bad;
        EXPECT_TRUE(PreferredBlockFor(bad).storeDefault) << bad;
    }
}

TEST(Buffers, BlocksAreWholeMultiplesOf64AndHalvesHoldTheSizeAsked) {
    EXPECT_EQ(BlockSizeFor(100), 64);
    EXPECT_EQ(BlockSizeFor(127), 64);
    EXPECT_EQ(BlockSizeFor(256), 256);
    EXPECT_EQ(SharedLayout({1, 1}, 100).bufferBytes(), 400u);
}

TEST(Buffers, LatencyFromHugeCoefficientsStaysPositive) {
    EXPECT_EQ(LatencySamples(2, 256, 32), 544);
    EXPECT_EQ(LatencySamples(0xFFFFFFFF, 65536, 0xFFFFFFFF), 0x7FFFFFFF);
}

TEST(Buffers, RequestsAreRefusedWhenMissingOutOfRangeOrRepeated) {
    BufferRequestCounts counts;
    std::vector<ASIOBufferInfo> infos = {{ASIOTrue, 0, {}}, {ASIOFalse, 0, {}}, {ASIOFalse, 17, {}}};
    EXPECT_EQ(CheckBufferRequests(infos.data(), 3, 256, 16, 18, counts), ASE_OK);
    EXPECT_EQ(counts.inputs, 1);
    EXPECT_EQ(counts.outputs, 2);

    EXPECT_EQ(CheckBufferRequests(nullptr, 3, 256, 16, 18, counts), ASE_InvalidParameter);
    EXPECT_EQ(CheckBufferRequests(infos.data(), 0, 256, 16, 18, counts), ASE_InvalidParameter);
    EXPECT_EQ(CheckBufferRequests(infos.data(), -1, 256, 16, 18, counts), ASE_InvalidParameter);
    EXPECT_EQ(CheckBufferRequests(infos.data(), 3, 63, 16, 18, counts), ASE_InvalidParameter);
    EXPECT_EQ(CheckBufferRequests(infos.data(), 3, 65537, 16, 18, counts), ASE_InvalidParameter);
    EXPECT_EQ(CheckBufferRequests(infos.data(), 3, 256, 16, 17, counts), ASE_InvalidParameter);

    infos.push_back({ASIOTrue, 0, {}});
    EXPECT_EQ(CheckBufferRequests(infos.data(), 4, 256, 16, 18, counts), ASE_InvalidParameter);
    infos.back() = {ASIOTrue, -1, {}};
    EXPECT_EQ(CheckBufferRequests(infos.data(), 4, 256, 16, 18, counts), ASE_InvalidParameter);
}

TEST(Buffers, EverythingFitsInTheBlockUpToTheLargestRequest) {
    for (long size : {64L, 100L, 3072L, 65536L}) {
        for (BufferRequestCounts counts : {BufferRequestCounts{1, 0}, BufferRequestCounts{0, 1},
                                           BufferRequestCounts{3, 5}, BufferRequestCounts{64, 72}}) {
            const SharedLayout layout(counts, size);
            const long n = counts.inputs + counts.outputs;
            const std::uint32_t end = layout.half(n - 1, 1) + layout.bufferBytes();
            EXPECT_LE(end, layout.pages() * kPageSize) << size << " " << n;
            EXPECT_EQ(layout.sampleArea() + layout.sampleBytes(), end);
            EXPECT_GE(layout.half(0, 0), (counts.inputs ? layout.inputRecord(counts.inputs - 1) : 0) + kRecordSize);
            EXPECT_EQ(layout.half(0, 0) % 4, 0u);
        }
    }
    // Every channel of four boards at the largest size: 17,412 pages.
    EXPECT_EQ(SharedLayout({64, 72}, 65536).pages(), 17412u);
    // The status record is the first output's, or the first input's.
    EXPECT_EQ(SharedLayout({2, 1}, 64).statusRecord(), 2 * kRecordSize);
    EXPECT_EQ(SharedLayout({2, 0}, 64).statusRecord(), 0u);
}

}  // namespace
