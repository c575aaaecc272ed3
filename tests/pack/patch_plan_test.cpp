#include "pack/patch_plan.h"

#include <gtest/gtest.h>

namespace {

using pack::PatchPlan;
using pack::VersionPair;

struct PlanCase {
    const char* name;
    PatchPlan plan;
    int count;
    std::vector<VersionPair> pairs;
};

class PatchPlans : public ::testing::TestWithParam<PlanCase> {};

TEST_P(PatchPlans, ListTheirPairs) {
    EXPECT_EQ(pack::PlannedPairs(GetParam().plan, GetParam().count), GetParam().pairs);
}

INSTANTIATE_TEST_SUITE_P(
    Plans, PatchPlans,
    ::testing::Values(PlanCase{"EveryPairOfThree",
                               PatchPlan::EveryPair,
                               3,
                               {{0, 1}, {0, 2}, {1, 0}, {1, 2}, {2, 0}, {2, 1}}},
                      PlanCase{"ToLatestOfThree", PatchPlan::ToLatest, 3, {{0, 2}, {1, 2}}},
                      PlanCase{"ChainOfThree", PatchPlan::Chain, 3, {{0, 1}, {1, 0}, {1, 2}, {2, 1}}},
                      PlanCase{"EveryPairOfOne", PatchPlan::EveryPair, 1, {}},
                      PlanCase{"ToLatestOfOne", PatchPlan::ToLatest, 1, {}},
                      PlanCase{"ChainOfNone", PatchPlan::Chain, 0, {}}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

TEST(PatchPlanComment, NamesEachPlanSoThatACheckFindsItAgain) {
    for (const PatchPlan plan : {PatchPlan::EveryPair, PatchPlan::ToLatest, PatchPlan::Chain})
        EXPECT_EQ(pack::PlanFromComment(pack::PlanComment(plan)), plan);
    EXPECT_EQ(pack::PlanFromComment("; Known versions of letter.txt"), std::nullopt);
}

}  // namespace
