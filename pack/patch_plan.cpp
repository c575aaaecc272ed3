#include "pack/patch_plan.h"

#include <array>

namespace pack {

namespace {

struct PlanName {
    PatchPlan plan;
    std::string_view comment;
};

constexpr std::array PlanComments{
    PlanName{PatchPlan::EveryPair, "; Patches: every ordered pair of versions"},
    PlanName{PatchPlan::ToLatest, "; Patches: every older version to the newest"},
    PlanName{PatchPlan::Chain, "; Patches: each version to the next and back"},
};

}  // namespace

std::vector<int> PlannedTargets(PatchPlan plan, int count, int from) {
    switch (plan) {
        case PatchPlan::EveryPair: {
            std::vector<int> targets;
            for (int to = 0; to < count; ++to)
                if (to != from) targets.push_back(to);
            return targets;
        }
        case PatchPlan::ToLatest:
            return from + 1 < count ? std::vector<int>{count - 1} : std::vector<int>{};
        case PatchPlan::Chain: {
            std::vector<int> targets;
            if (from > 0) targets.push_back(from - 1);
            if (from + 1 < count) targets.push_back(from + 1);
            return targets;
        }
    }
    return {};
}

std::vector<VersionPair> PlannedPairs(PatchPlan plan, int count) {
    std::vector<VersionPair> pairs;
    for (int from = 0; from < count; ++from)
        for (const int to : PlannedTargets(plan, count, from)) pairs.push_back({from, to});
    return pairs;
}

std::string_view PlanComment(PatchPlan plan) {
    for (const PlanName& name : PlanComments)
        if (name.plan == plan) return name.comment;
    return {};
}

std::optional<PatchPlan> PlanFromComment(std::string_view line) {
    for (const PlanName& name : PlanComments)
        if (name.comment == line) return name.plan;
    return std::nullopt;
}

}  // namespace pack
