#include "core/md5.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using core::Md5Context;
using core::Md5Digest;

struct KnownAnswer {
    std::string message;
    std::string hex;
};

std::string Repeated(char c, std::size_t count) { return std::string(count, c); }

// 10007 bytes that run through every byte value in an order unlike their own.
std::string Pattern() {
    std::string bytes(10007, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>((i * 7 + 3) % 256);
    return bytes;
}

// The test suite of RFC 1321, then messages whose lengths sit around the point where the
// padding needs a second block, then one longer than a file piece.
const std::vector<KnownAnswer>& KnownAnswers() {
    static const std::vector<KnownAnswer> answers = {
        {"", "D41D8CD98F00B204E9800998ECF8427E"},
        {"a", "0CC175B9C0F1B6A831C399E269772661"},
        {"abc", "900150983CD24FB0D6963F7D28E17F72"},
        {"message digest", "F96B697D7CB7938D525A2F31AAF161D0"},
        {"abcdefghijklmnopqrstuvwxyz", "C3FCD3D76192E4007DFB496CCA67E13B"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "D174AB98D277D9F5A5611C2C9F419D9F"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57EDF4A22BE3C955AC49DA2E2107B67A"},
        {Repeated('a', 55), "EF1772B6DFF9A122358552954AD0DF65"},
        {Repeated('a', 56), "3B0C8AC703F828B04C6C197006D17218"},
        {Repeated('a', 63), "B06521F39153D618550606BE297466D5"},
        {Repeated('a', 64), "014842D480B571495A4A0363793F7367"},
        {Repeated('a', 65), "C743A45E0D2E6A95CB859ADAE0248435"},
        {Repeated('a', 119), "8A7BD0732ED6A28CE75F6DABC90E1613"},
        {Repeated('a', 120), "5F61C0CCAD4CAC44C75FF505E1F1E537"},
        {Pattern(), "684F7F381A0343967A300B247BEDDB3B"},
    };
    return answers;
}

std::span<const std::uint8_t> Bytes(const std::string& text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

std::string FinishedHex(Md5Context& context) {
    Md5Digest digest;
    core::Md5Final(context, digest);
    return core::Md5Hex(digest);
}

// Feeds the message in pieces of the given size (the last one shorter).
std::string HexInPieces(const std::string& message, std::size_t pieceSize) {
    Md5Context context;
    core::Md5Init(context);
    const auto bytes = Bytes(message);
    for (std::size_t offset = 0; offset < bytes.size(); offset += pieceSize)
        core::Md5Update(context, bytes.subspan(offset, std::min(pieceSize, bytes.size() - offset)));
    return FinishedHex(context);
}

TEST(Md5, KnownAnswersInOneCall) {
    for (const auto& [message, hex] : KnownAnswers()) {
        SCOPED_TRACE("length " + std::to_string(message.size()));
        EXPECT_EQ(core::Md5Hex(core::Md5Of(message)), hex);
    }
}

TEST(Md5, KnownAnswersInOneUpdateAndByteByByte) {
    for (const auto& [message, hex] : KnownAnswers()) {
        SCOPED_TRACE("length " + std::to_string(message.size()));
        EXPECT_EQ(HexInPieces(message, std::max<std::size_t>(message.size(), 1)), hex);
        EXPECT_EQ(HexInPieces(message, 1), hex);
    }
}

TEST(Md5, PieceSizesAroundTheBlockSizeGiveTheSameDigest) {
    for (const auto& [message, hex] : KnownAnswers()) {
        for (const std::size_t pieceSize : {63u, 64u, 65u, 4097u}) {
            SCOPED_TRACE("length " + std::to_string(message.size()) + ", pieces of " +
                         std::to_string(pieceSize));
            EXPECT_EQ(HexInPieces(message, pieceSize), hex);
        }
    }
}

TEST(Md5, OneMillionTimesA) {
    EXPECT_EQ(core::Md5Hex(core::Md5Of(Repeated('a', 1'000'000))), "7707D6AE4E027C70EEA2A935C2296F21");
}

TEST(Md5, EmptyUpdatesChangeNothing) {
    Md5Context context;
    core::Md5Init(context);
    core::Md5Update(context, {});
    core::Md5Update(context, Bytes("ab"));
    core::Md5Update(context, {});
    core::Md5Update(context, Bytes("c"));
    EXPECT_EQ(FinishedHex(context), "900150983CD24FB0D6963F7D28E17F72");
}

TEST(Md5, InitStartsFreshWhateverTheContextHeld) {
    Md5Context context;
    context.state.fill(0x5A5A5A5A);
    context.count = {0x5A5A5A5A, 0x5A5A5A5A};
    context.buffer.fill(0x5A);
    core::Md5Init(context);
    const Md5Context cleared{};
    EXPECT_EQ(context.count, cleared.count);
    EXPECT_EQ(context.buffer, cleared.buffer);
    core::Md5Update(context, Bytes("abc"));
    EXPECT_EQ(FinishedHex(context), "900150983CD24FB0D6963F7D28E17F72");
}

TEST(Md5, BitCountIsKeptInTwoWordsLowFirst) {
    Md5Context context;
    core::Md5Init(context);
    core::Md5Update(context, Bytes("abc"));
    EXPECT_EQ(context.count[0], 24u);
    EXPECT_EQ(context.count[1], 0u);

    // One byte short of 2^32 bits: the next byte carries into the high word.
    context.count = {0xFFFFFFF8u, 0u};
    core::Md5Update(context, Bytes("d"));
    EXPECT_EQ(context.count[0], 0u);
    EXPECT_EQ(context.count[1], 1u);
    core::Md5Update(context, Bytes("ef"));
    EXPECT_EQ(context.count[0], 16u);
    EXPECT_EQ(context.count[1], 1u);
}

TEST(Md5, FinalClearsTheContext) {
    Md5Context context;
    core::Md5Init(context);
    core::Md5Update(context, Bytes("message digest"));
    Md5Digest digest;
    core::Md5Final(context, digest);
    const Md5Context cleared{};
    EXPECT_EQ(context.state, cleared.state);
    EXPECT_EQ(context.count, cleared.count);
    EXPECT_EQ(context.buffer, cleared.buffer);
}

TEST(Md5Hex, WritesTwoUpperCaseDigitsPerByteInOrder) {
    Md5Digest digest{};
    digest[0] = 0x0A;
    digest[1] = 0xFF;
    digest[2] = 0x5c;
    digest[15] = 0x01;
    EXPECT_EQ(core::Md5Hex(digest), "0AFF5C00000000000000000000000001");
}

}  // namespace
