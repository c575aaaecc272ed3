// The one derivation of the window's enabled states, close refusal included, as a table.
#include "ui/window_phase.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using ui::ControlStates;
using ui::FormValues;
using ui::Phase;

// A version chosen and a target named: Convert's inputs are complete.
constexpr FormValues Ready{.versionChosen = true, .targetNamed = true};

struct Row {
    const char* what;
    Phase phase;
    FormValues values;
    ControlStates expected;
};

std::string Describe(const ControlStates& states) {
    return std::string("source ") + (states.sourceInputs ? "on" : "off") + ", target " +
           (states.targetInputs ? "on" : "off") + ", convert " + (states.convert ? "on" : "off") +
           ", cancel " + (states.cancel ? "on" : "off") + ", close " +
           (states.closeAllowed ? "allowed" : "refused");
}

TEST(DeriveControlStates, EveryPhaseAndFormGivesItsStates) {
    //                                         source target convert cancel close
    const Row rows[] = {
        {"idle, ready", Phase::Idle, Ready, {true, true, true, true, true}},
        {"idle, no version", Phase::Idle, {.targetNamed = true}, {true, true, false, true, true}},
        {"idle, no target", Phase::Idle, {.versionChosen = true}, {true, true, false, true, true}},
        {"idle, overwriting without a target name",
         Phase::Idle,
         {.versionChosen = true, .overwriteSource = true},
         {true, false, true, true, true}},
        {"idle, target forbidden",
         Phase::Idle,
         {.versionChosen = true, .targetNamed = true, .targetIsForbidden = true},
         {true, true, false, true, true}},
        {"starting", Phase::Starting, Ready, {true, true, false, true, true}},
        {"identifying", Phase::Identifying, Ready, {true, true, false, true, true}},
        {"converting, asking or verifying", Phase::Converting, Ready, {false, false, false, true, true}},
        {"converting, copying or patching",
         Phase::Converting,
         {.versionChosen = true, .targetNamed = true, .patching = true},
         {false, false, false, false, false}},
        {"closing", Phase::Closing, Ready, {false, false, false, true, false}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(Describe(ui::DeriveControlStates(row.phase, row.values)), Describe(row.expected));
    }
}

}  // namespace
