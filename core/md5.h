#pragma once
// MD5 message digest (RFC 1321): the running context, its three steps, a one-shot helper and
// the digest's hexadecimal text.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace core {

using Md5Digest = std::array<std::uint8_t, 16>;

// The running state of one computation, laid out as RFC 1321 describes it.
struct Md5Context {
    std::array<std::uint32_t, 4> state{};
    std::array<std::uint32_t, 2> count{};   // message length in bits, low word first
    std::array<std::uint8_t, 64> buffer{};  // input not yet processed (less than one block)
};

void Md5Init(Md5Context& context);
void Md5Update(Md5Context& context, std::span<const std::uint8_t> input);
// Pads the message, writes the digest and clears the whole context.
void Md5Final(Md5Context& context, Md5Digest& digest);

[[nodiscard]] Md5Digest Md5Of(std::span<const std::uint8_t> input);
[[nodiscard]] Md5Digest Md5Of(std::string_view input);

// 32 upper-case hexadecimal digits, two per byte in digest order, high half first.
[[nodiscard]] std::string Md5Hex(const Md5Digest& digest);

}  // namespace core
