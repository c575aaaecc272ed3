#include "core/md5.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <utility>

namespace core {
namespace {

constexpr std::size_t BlockSize = 64;
constexpr std::size_t LengthFieldOffset = 56;  // where the bit count starts in the last block

using BlockWords = std::array<std::uint32_t, 16>;

// T[i] = floor(2^32 * abs(sin(i + 1))), one constant per step.
constexpr std::array<std::uint32_t, 64> StepConstants = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391,
};

// Left-rotation amounts: each round uses its four amounts in turn.
constexpr std::array<int, 16> RoundShifts = {7, 12, 17, 22, 5, 9, 14, 20, 4, 11, 16, 23, 6, 10, 15, 21};

constexpr std::size_t Round(std::size_t step) { return step / 16; }

// Which of the block's 16 words a step adds.
constexpr std::size_t MessageWordIndex(std::size_t step) {
    const std::size_t i = step % 16;
    switch (Round(step)) {
        case 0:
            return i;
        case 1:
            return (1 + 5 * i) % 16;
        case 2:
            return (5 + 3 * i) % 16;
        default:
            return (7 * i) % 16;
    }
}

// The round functions F, H and I, written in forms that need fewer operations than the
// textbook ones but give the same bits. G is applied inside ApplyStep.
template <std::size_t Step>
[[gnu::always_inline]] inline std::uint32_t RoundFunction(std::uint32_t x, std::uint32_t y, std::uint32_t z) {
    if constexpr (Round(Step) == 0)
        return z ^ (x & (y ^ z));  // (x & y) | (~x & z)
    else if constexpr (Round(Step) == 2)
        return x ^ (y ^ z);
    else
        return y ^ (x | ~z);
}

// a = b + ((a + f(b, c, d) + X[k] + T[i]) <<< s), where the roles a, b, c, d move one state
// word to the left with every step. Everything that does not depend on b, the word the
// previous step wrote, is added first so that it overlaps with that step.
// Always inlined, also in unoptimised builds, so that a debug build still sums at a usable speed.
template <std::size_t Step, class Words>
[[gnu::always_inline]] inline void ApplyStep(std::uint32_t* v, const Words& words) {
    constexpr std::size_t a = (64 - Step) % 4;
    constexpr std::size_t b = (a + 1) % 4;
    constexpr std::size_t c = (a + 2) % 4;
    constexpr std::size_t d = (a + 3) % 4;
    constexpr std::size_t word = MessageWordIndex(Step);
    constexpr std::uint32_t constant = StepConstants[Step];
    constexpr int shift = RoundShifts[Round(Step) * 4 + Step % 4];  // never 0
    std::uint32_t sum = v[a] + words[word] + constant;
    if constexpr (Round(Step) == 1)
        sum = sum + (v[c] & ~v[d]) + (v[b] & v[d]);  // G = (b & d) | (c & ~d): disjoint bits, so + is |
    else
        sum = sum + RoundFunction<Step>(v[b], v[c], v[d]);
    v[a] = v[b] + ((sum << shift) | (sum >> (32 - shift)));
}

// The 64 steps of one block, unrolled at compile time.
template <class Words, std::size_t... Step>
[[gnu::always_inline]] inline void ApplySteps(std::uint32_t* v, const Words& words,
                                              std::index_sequence<Step...>) {
    (ApplyStep<Step>(v, words), ...);
}

// Reads one little-endian 32-bit word.
inline std::uint32_t LoadWord(const std::uint8_t* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

inline void StoreWord(std::uint32_t word, std::uint8_t* bytes) {
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<std::uint8_t>(word >> (8 * i));
}

// Only a big-endian machine needs a decoded copy of the block's words.
[[maybe_unused]] inline BlockWords DecodeBlock(const std::uint8_t* block) {
    BlockWords words;
    for (std::size_t i = 0; i < words.size(); ++i) words[i] = LoadWord(block + 4 * i);
    return words;
}

// Overwrites the decoded message words; the empty asm statement, which may read them, keeps
// the compiler from dropping the clearing as a dead store.
[[maybe_unused]] inline void ClearWords(BlockWords& words) {
    words.fill(0);
    __asm__ __volatile__("" : : "r"(words.data()) : "memory");
}

// The block's words read straight from its bytes, which on a little-endian machine already are
// the words: no copy is made, so there is nothing to clear afterwards.
struct WordsInPlace {
    const std::uint8_t* bytes;
    std::uint32_t operator[](std::size_t index) const {
        std::uint32_t word;
        std::memcpy(&word, bytes + 4 * index, sizeof word);
        return word;
    }
};

// The four state words live in local variables that the unrolled steps keep in registers.
template <class Words>
[[gnu::always_inline]] inline void ApplyBlock(std::array<std::uint32_t, 4>& state, const Words& words) {
    std::uint32_t v[4] = {state[0], state[1], state[2], state[3]};
    ApplySteps(v, words, std::make_index_sequence<64>{});
    for (std::size_t i = 0; i < state.size(); ++i) state[i] += v[i];
}

void TransformBlock(std::array<std::uint32_t, 4>& state, const std::uint8_t* block) {
    if constexpr (std::endian::native == std::endian::little) {
        ApplyBlock(state, WordsInPlace{block});
    } else {
        BlockWords words = DecodeBlock(block);
        ApplyBlock(state, words);
        ClearWords(words);
    }
}

std::size_t BufferedBytes(const Md5Context& context) { return (context.count[0] >> 3) % BlockSize; }

void AddToBitCount(Md5Context& context, std::size_t byteCount) {
    const std::uint64_t bits = (std::uint64_t{context.count[1]} << 32 | context.count[0]) +
                               static_cast<std::uint64_t>(byteCount) * 8;
    context.count[0] = static_cast<std::uint32_t>(bits);
    context.count[1] = static_cast<std::uint32_t>(bits >> 32);
}

}  // namespace

void Md5Init(Md5Context& context) {
    context = Md5Context{};
    context.state = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
}

void Md5Update(Md5Context& context, std::span<const std::uint8_t> input) {
    const std::size_t buffered = BufferedBytes(context);
    AddToBitCount(context, input.size());

    // Complete a partly filled buffer first; whole blocks after that are read in place.
    std::size_t taken = 0;
    if (buffered > 0) {
        taken = std::min(BlockSize - buffered, input.size());
        std::copy_n(input.begin(), taken, context.buffer.begin() + buffered);
        if (buffered + taken < BlockSize) return;
        TransformBlock(context.state, context.buffer.data());
    }
    const std::span<const std::uint8_t> rest = input.subspan(taken);
    const std::size_t wholeBlocks = rest.size() - rest.size() % BlockSize;
    for (std::size_t offset = 0; offset < wholeBlocks; offset += BlockSize)
        TransformBlock(context.state, rest.data() + offset);
    std::copy(rest.begin() + static_cast<std::ptrdiff_t>(wholeBlocks), rest.end(), context.buffer.begin());
}

void Md5Final(Md5Context& context, Md5Digest& digest) {
    std::array<std::uint8_t, 8> bitCount;
    StoreWord(context.count[0], bitCount.data());
    StoreWord(context.count[1], bitCount.data() + 4);

    static constexpr std::array<std::uint8_t, BlockSize> Padding = {0x80};
    const std::size_t buffered = BufferedBytes(context);
    const std::size_t padLength = buffered < LengthFieldOffset ? LengthFieldOffset - buffered
                                                               : BlockSize + LengthFieldOffset - buffered;
    Md5Update(context, std::span(Padding).first(padLength));
    Md5Update(context, bitCount);

    for (std::size_t i = 0; i < context.state.size(); ++i) StoreWord(context.state[i], digest.data() + 4 * i);
    context = Md5Context{};
}

Md5Digest Md5Of(std::span<const std::uint8_t> input) {
    Md5Context context;
    Md5Init(context);
    Md5Update(context, input);
    Md5Digest digest;
    Md5Final(context, digest);
    return digest;
}

Md5Digest Md5Of(std::string_view input) {
    return Md5Of(std::span(reinterpret_cast<const std::uint8_t*>(input.data()), input.size()));
}

std::string Md5Hex(const Md5Digest& digest) {
    static constexpr std::string_view Digits = "0123456789ABCDEF";
    std::string text;
    text.reserve(2 * digest.size());
    for (const std::uint8_t byte : digest) {
        text += Digits[byte >> 4];
        text += Digits[byte & 0x0F];
    }
    return text;
}

}  // namespace core
