// Arbitrary bytes through the catalogue's token readers: the time stamp parser, the quote-aware
// tokenizer and the text replacement, each checked against properties that must always hold.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/catalogue.h"
#include "core/text.h"

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

// A packed time stamp is a valid date in 1980-2099 and reads back from its own text form.
void CheckTimeStamp(std::string_view text) {
    const core::ShortDosDateTime stamp = core::ParseTimeStamp(text);
    if (stamp == core::NoTimeStamp || stamp == 0) return;
    const core::DosFields fields = core::UnpackDosDateTime(stamp);
    Require(fields.year >= 1980 && fields.year <= 2099);
    Require(core::ParseTimeStamp(core::FormatTimeStamp(stamp)) == stamp);
}

// The token never grows and the trimmed rest always shrinks, so splitting a text into its
// tokens ends.
void CheckSplitToken(std::string_view text) {
    const core::TokenSplit split = core::SplitToken(text);
    const std::string_view rest = split.rest;
    Require(split.token.size() <= text.size());
    Require(rest == core::Trim(rest));
    Require(text.empty() ? rest.empty() : rest.size() < text.size());
}

// The replacement as its rule reads: at each position of the original text, from its end to its
// start, compare and replace in the text as it stands. Quadratic, so only for short inputs.
std::string ReplacedStepByStep(std::string text, std::string_view find, bool caseSensitive,
                               std::string_view replacement) {
    if (find.empty()) return text;
    const std::string findCompared = caseSensitive ? std::string(find) : core::LowerCase(find);
    for (std::size_t position = text.size(); position-- > 0;) {
        const std::string candidate = text.substr(position, find.size());
        if ((caseSensitive ? candidate : core::LowerCase(candidate)) == findCompared)
            text.replace(position, find.size(), replacement);
    }
    return text;
}
constexpr std::size_t StepByStepLimit = 4096;

bool HasLetters(std::string_view text) {
    return text.find_first_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") !=
           std::string_view::npos;
}

// Input layout: one byte with the length of the find text (low nibble) and of the replacement
// (high nibble), those two texts, then the text to change.
void CheckReplaceText(std::string_view bytes) {
    if (bytes.empty()) return;
    const std::size_t findLength = static_cast<unsigned char>(bytes[0]) & 0x0Fu;
    const std::size_t replacementLength = static_cast<unsigned char>(bytes[0]) >> 4;
    bytes.remove_prefix(1);
    if (bytes.size() < findLength + replacementLength) return;
    const std::string_view find = bytes.substr(0, findLength);
    const std::string_view replacement = bytes.substr(findLength, replacementLength);
    const std::string original(bytes.substr(findLength + replacementLength));

    std::string same = original;
    core::ReplaceText(same, find, true, find);
    Require(same == original);

    std::string exact = original;
    core::ReplaceText(exact, find, true, replacement);
    if (!find.empty() && original.find(find) == std::string::npos) Require(exact == original);
    Require(exact.size() <= original.size() + original.size() * replacement.size());
    if (original.size() <= StepByStepLimit) {
        Require(exact == ReplacedStepByStep(original, find, true, replacement));
        std::string ignoringCase = original;
        core::ReplaceText(ignoringCase, find, false, replacement);
        Require(ignoringCase == ReplacedStepByStep(original, find, false, replacement));
    }

    if (!HasLetters(find)) {
        std::string ignoringCase = original;
        core::ReplaceText(ignoringCase, find, false, replacement);
        Require(ignoringCase == exact);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    CheckTimeStamp(bytes);
    CheckSplitToken(bytes);
    CheckReplaceText(bytes);
    return 0;
}
