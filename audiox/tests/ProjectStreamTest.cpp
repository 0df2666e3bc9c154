// The mixer's part of a project stream: what is written reads back the
// same, and a stream that is short, damaged or hostile yields nothing.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "ProjectStream.h"

using namespace quorvix;

namespace {

class MemorySource final : public ByteSource {
public:
    explicit MemorySource(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
    HRESULT Read(void* data, ULONG size) override {
        if (bytes_.size() - at_ < size) {
            at_ = bytes_.size();
            return STG_E_READFAULT;
        }
        std::memcpy(data, bytes_.data() + at_, size);
        at_ += size;
        return S_OK;
    }

private:
    std::vector<std::uint8_t> bytes_;
    size_t at_ = 0;
};

GUID Id(std::uint32_t n) { return GUID{n, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}}; }

// A clock, two jacks, two strips and a bus: the shapes a mixer has.
const std::vector<ElementLayout> kLayout = {
    {Id(1), false}, {Id(2), false}, {Id(2), false}, {Id(3), true}, {Id(3), true}, {Id(4), false}};

std::vector<ElementState> States() {
    std::vector<ElementState> states(kLayout.size());
    states[3].sends.push_back({0, {0.25f, -0.5f, 1}});
    states[4].sends.push_back({0, {1.0f, 0.75f, 0}});
    return states;
}

ProjectRead Read(std::vector<std::uint8_t> bytes, std::uint32_t buses = 1) {
    MemorySource source(std::move(bytes));
    return ReadProject(source, kLayout, buses);
}

// Offset of element i's data in the bytes of States(): version, then
// class identifiers, strips with one send each.
size_t SendOffset(int strip) { return 4 + 16 * 4 + (strip == 0 ? 4 : 4 + 16 + 16 + 4); }

}  // namespace

TEST(ProjectStreamTest, WhatIsWrittenReadsBackTheSame) {
    std::vector<std::uint8_t> bytes = ProjectBytes(kLayout, States());
    EXPECT_EQ(bytes.size(), 4 + 6 * 16 + 2 * (4 + 16) + 16u);
    std::uint32_t version;
    std::memcpy(&version, bytes.data(), 4);
    EXPECT_EQ(version, 0x00010000u);
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.end() - 16, bytes.end()), std::vector<std::uint8_t>(16, 0xFF));

    ProjectRead read = Read(bytes);
    ASSERT_EQ(read.result, S_OK);
    ASSERT_EQ(read.elements.size(), kLayout.size());
    ASSERT_EQ(read.elements[3].sends.size(), 1u);
    EXPECT_EQ(read.elements[3].sends[0].values, (SendValues{0.25f, -0.5f, 1}));
    EXPECT_EQ(read.elements[4].sends[0].values, (SendValues{1.0f, 0.75f, 0}));
}

TEST(ProjectStreamTest, TheEndMarkStopsReadingAndLeavesTheRest) {
    std::vector<std::uint8_t> bytes = ProjectBytes(kLayout, States());
    bytes.resize(4 + 3 * 16);
    bytes.insert(bytes.end(), 16, 0xFF);
    ProjectRead read = Read(bytes);
    EXPECT_EQ(read.result, S_OK);
    EXPECT_EQ(read.elements.size(), 3u);
}

TEST(ProjectStreamTest, AnotherVersionOrAnotherElementIsRefused) {
    std::vector<std::uint8_t> bytes = ProjectBytes(kLayout, States());
    std::vector<std::uint8_t> newer = bytes;
    newer[2] = 2;  // 0x00020000
    EXPECT_EQ(Read(newer).result, STG_E_INVALIDHEADER);
    std::vector<std::uint8_t> other = bytes;
    other[4 + 16] ^= 1;  // the first jack's class identifier
    ProjectRead read = Read(other);
    EXPECT_EQ(read.result, E_FAIL);
    EXPECT_TRUE(read.elements.empty());
    std::vector<std::uint8_t> more = bytes;
    more[more.size() - 1] = 0;  // one element more than the mixer has
    read = Read(more);
    EXPECT_EQ(read.result, E_FAIL);
    EXPECT_TRUE(read.elements.empty());
}

TEST(ProjectStreamTest, EveryShortStreamFailsWithNothingRead) {
    std::vector<std::uint8_t> bytes = ProjectBytes(kLayout, States());
    for (size_t length = 0; length < bytes.size(); ++length) {
        ProjectRead read = Read(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + length));
        EXPECT_EQ(read.result, STG_E_READFAULT) << length << " bytes";
        EXPECT_TRUE(read.elements.empty()) << length << " bytes";
    }
}

TEST(ProjectStreamTest, CountsAndValuesBeyondWhatTheMixerHoldsAreRefused) {
    const std::vector<std::uint8_t> good = ProjectBytes(kLayout, States());
    auto patched = [&](size_t at, auto value) {
        std::vector<std::uint8_t> bytes = good;
        std::memcpy(bytes.data() + at, &value, sizeof value);
        return bytes;
    };
    size_t send = SendOffset(1);
    EXPECT_EQ(Read(patched(send - 4, 0x7FFFFFFFu)).result, STG_E_DOCFILECORRUPT) << "send count";
    EXPECT_EQ(Read(patched(send, 1u)).result, STG_E_DOCFILECORRUPT) << "bus position";
    EXPECT_EQ(Read(patched(send + 4, std::nanf(""))).result, STG_E_DOCFILECORRUPT) << "level";
    EXPECT_EQ(Read(patched(send + 4, 1.5f)).result, STG_E_DOCFILECORRUPT) << "level";
    EXPECT_EQ(Read(patched(send + 8, -2.0f)).result, STG_E_DOCFILECORRUPT) << "pan";

    std::vector<ElementState> twice = States();
    twice[3].sends.push_back(twice[3].sends[0]);
    EXPECT_EQ(Read(ProjectBytes(kLayout, twice), 2).result, STG_E_DOCFILECORRUPT) << "the same bus twice";
    EXPECT_EQ(Read(patched(send + 12, 5)).elements[4].sends[0].values.mute, 1) << "any non-zero mute";
}
