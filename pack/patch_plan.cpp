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

std::vector<VersionPair> PlannedPairs(PatchPlan plan, int count) {
    std::vector<VersionPair> pairs;
    switch (plan) {
        case PatchPlan::EveryPair:
            for (int from = 0; from < count; ++from)
                for (int to = 0; to < count; ++to)
                    if (from != to) pairs.push_back({from, to});
            break;
        case PatchPlan::ToLatest:
            for (int from = 0; from + 1 < count; ++from) pairs.push_back({from, count - 1});
            break;
        case PatchPlan::Chain:
            for (int from = 0; from + 1 < count; ++from) {
                pairs.push_back({from, from + 1});
                pairs.push_back({from + 1, from});
            }
            break;
    }
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
