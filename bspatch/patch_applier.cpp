#include "bspatch/patch_applier.h"

#include <algorithm>
#include <array>
#include <memory>
#include <string>

#include "bspatch/decoded_block.h"
#include "bspatch/new_file.h"
#include "bspatch/old_file.h"
#include "bspatch/patch_header.h"
#include "bspatch/positioned_read.h"

namespace bspatch {

namespace {

using BlockPointer = std::unique_ptr<DecodedBlock>;

// One step of the control block: add `addLength` bytes of the diff block to the old file's bytes
// at the old position, then insert `insertLength` bytes of the extra block, then move the old
// position by `seek`.
struct ControlTriple {
    std::int64_t addLength = 0;
    std::int64_t insertLength = 0;
    std::int64_t seek = 0;
};

constexpr std::size_t TripleSize = 3 * NumberSize;

core::Failure DamagedTriple(const std::string& what) {
    return core::Failure{"damaged patch: a control triple " + what};
}

core::Result<PatchLayout> ReadHeader(const PatchFiles& files) {
    std::array<std::uint8_t, HeaderSize> header{};
    const core::Result<std::size_t> count = ReadAt(files.patchDescriptor, header, 0, "patch");
    if (!count) return count.AsFailure();
    if (*count < header.size() || files.patchSize < HeaderSize)
        return core::Failure{"not a bsdiff 4 patch: it is shorter than the header"};
    return ReadLayout(header, files.patchSize);
}

core::Result<ControlTriple> ReadTriple(DecodedBlock& control) {
    std::array<std::uint8_t, TripleSize> bytes{};
    if (const core::Status read = control.ReadExactly(bytes); !read) return read.AsFailure();
    const std::span<const std::uint8_t, TripleSize> all(bytes);
    return ControlTriple{DecodeNumber(all.subspan<0, NumberSize>()),
                         DecodeNumber(all.subspan<NumberSize, NumberSize>()),
                         DecodeNumber(all.subspan<2 * NumberSize, NumberSize>())};
}

// A triple may only write inside the new file's size and move the old position within 64 bits;
// the old position itself may lie anywhere, bytes outside the old file add nothing.
core::Status CheckTriple(const ControlTriple& triple, std::int64_t newPosition, std::int64_t newSize,
                         std::int64_t oldPosition) {
    if (triple.addLength < 0 || triple.insertLength < 0) return DamagedTriple("has a negative length");
    if (triple.addLength > newSize - newPosition ||
        triple.insertLength > newSize - newPosition - triple.addLength)
        return DamagedTriple("writes past the end of the new file");
    std::int64_t moved = 0;
    if (__builtin_add_overflow(oldPosition, triple.addLength, &moved) ||
        __builtin_add_overflow(moved, triple.seek, &moved))
        return DamagedTriple("moves the old position out of range");
    return core::Succeeded;
}

// Hands the next `length` bytes of the new file to `fill`, a buffer piece at a time.
template <class Fill>
core::Status WriteNew(std::int64_t length, NewFile& out, Fill fill) {
    while (length > 0) {
        const core::Result<std::span<std::uint8_t>> space = out.Space();
        if (!space) return space.AsFailure();
        const auto size = static_cast<std::size_t>(
            std::min<std::int64_t>(length, static_cast<std::int64_t>(space->size())));
        if (core::Status filled = fill(space->first(size)); !filled) return filled;
        out.Commit(size);
        length -= static_cast<std::int64_t>(size);
    }
    return core::Succeeded;
}

// Diff bytes, decompressed straight into the new file's buffer, plus the old file's bytes from
// `oldPosition` on, which the buffer adds before it is written.
core::Status AddDiff(std::int64_t length, std::int64_t oldPosition, DecodedBlock& diff, NewFile& out) {
    return WriteNew(length, out, [&](std::span<std::uint8_t> piece) -> core::Status {
        if (core::Status read = diff.ReadExactly(piece); !read) return read;
        out.AddOld(oldPosition, piece);
        oldPosition += static_cast<std::int64_t>(piece.size());
        return core::Succeeded;
    });
}

core::Status InsertExtra(std::int64_t length, DecodedBlock& extra, NewFile& out) {
    return WriteNew(length, out, [&](std::span<std::uint8_t> piece) { return extra.ReadExactly(piece); });
}

struct Blocks {
    BlockPointer control;
    BlockPointer diff;
    BlockPointer extra;
};

core::Result<Blocks> OpenBlocks(int patchDescriptor, const PatchLayout& layout,
                                const std::stop_token& cancel) {
    core::Result<BlockPointer> control = DecodedBlock::Open(patchDescriptor, layout.controlOffset,
                                                            layout.controlLength, "control block", cancel);
    if (!control) return control.AsFailure();
    core::Result<BlockPointer> diff =
        DecodedBlock::Open(patchDescriptor, layout.diffOffset, layout.diffLength, "diff block", cancel);
    if (!diff) return diff.AsFailure();
    core::Result<BlockPointer> extra =
        DecodedBlock::Open(patchDescriptor, layout.extraOffset, layout.extraLength, "extra block", cancel);
    if (!extra) return extra.AsFailure();
    return Blocks{std::move(*control), std::move(*diff), std::move(*extra)};
}

// Runs the control block's triples until the new file has its size or a stop is requested.
core::Status ApplyTriples(std::int64_t newSize, Blocks& blocks, NewFile& out, const std::stop_token& cancel) {
    std::int64_t newPosition = 0;
    std::int64_t oldPosition = 0;
    while (newPosition < newSize) {
        if (cancel.stop_requested()) return Stopped();
        const core::Result<ControlTriple> triple = ReadTriple(*blocks.control);
        if (!triple) return triple.AsFailure();
        if (core::Status valid = CheckTriple(*triple, newPosition, newSize, oldPosition); !valid)
            return valid;
        if (core::Status added = AddDiff(triple->addLength, oldPosition, *blocks.diff, out); !added)
            return added;
        if (core::Status inserted = InsertExtra(triple->insertLength, *blocks.extra, out); !inserted)
            return inserted;
        newPosition += triple->addLength + triple->insertLength;
        oldPosition += triple->addLength;  // CheckTriple made sure that neither step overflows
        oldPosition += triple->seek;
    }
    return core::Succeeded;
}

}  // namespace

core::Status ApplyPatch(const PatchFiles& files, const std::stop_token& cancel) {
    const core::Result<PatchLayout> layout = ReadHeader(files);
    if (!layout) return layout.AsFailure();
    core::Result<Blocks> blocks = OpenBlocks(files.patchDescriptor, *layout, cancel);
    if (!blocks) return blocks.AsFailure();
    OldFile old(files.oldDescriptor, files.oldSize);
    NewFile out(files.newDescriptor, old);

    if (core::Status applied = ApplyTriples(layout->newSize, *blocks, out, cancel); !applied) return applied;
    for (DecodedBlock* block : {blocks->control.get(), blocks->diff.get(), blocks->extra.get()}) {
        if (core::Status ended = block->ExpectEnd(); !ended) return ended;
    }
    return out.Flush();
}

}  // namespace bspatch
