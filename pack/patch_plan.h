#pragma once
// Which ordered pairs of versions get a patch.
#include <optional>
#include <string_view>
#include <vector>

namespace pack {

enum class PatchPlan { EveryPair, ToLatest, Chain };

// An ordered pair of positions in the list of versions: a patch from `from` to `to`.
struct VersionPair {
    int from;
    int to;
    friend bool operator==(const VersionPair&, const VersionPair&) = default;
};

// The pairs of a plan over `count` versions listed oldest first: every ordered pair; every older
// version to the newest; or each version to the next and back.
[[nodiscard]] std::vector<VersionPair> PlannedPairs(PatchPlan plan, int count);
// The targets of the plan's patches from one version, in order: what PlannedPairs holds for
// `from`, without listing the pairs of every other version.
[[nodiscard]] std::vector<int> PlannedTargets(PatchPlan plan, int count, int from);

// The catalogue comment that records the plan, so that a check knows which patches belong.
[[nodiscard]] std::string_view PlanComment(PatchPlan plan);
// The plan a prepared catalogue line records; nothing for any other line.
[[nodiscard]] std::optional<PatchPlan> PlanFromComment(std::string_view line);

}  // namespace pack
