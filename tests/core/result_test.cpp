#include "core/result.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

// A step whose value can only be moved, failing with a reason that holds a quote, character 13
// and a byte above 127, as messages and file names do.
core::Result<std::unique_ptr<int>> Parsed(bool succeed) {
    if (!succeed) return core::Failure{"cannot read \"a b\"\r\xe9t\xe9"};
    return std::make_unique<int>(7);
}

// Hands a failure on to a result of another type, as callers do.
core::Result<std::string> Described(bool succeed) {
    core::Result<std::unique_ptr<int>> parsed = Parsed(succeed);
    if (!parsed) return parsed.AsFailure();
    return "value " + std::to_string(**parsed);
}

TEST(Result, ASuccessHoldsItsValueAndNoReason) {
    const core::Result<std::string> described = Described(true);
    ASSERT_TRUE(described);
    EXPECT_EQ(*described, "value 7");
    EXPECT_EQ(described->size(), 7u);
    EXPECT_EQ(described.Reason(), "");

    const core::Status done = core::Succeeded;
    EXPECT_TRUE(done);
    EXPECT_EQ(done.Reason(), "");
}

TEST(Result, AFailureHandedOnKeepsItsReasonByteForByte) {
    const core::Result<std::string> described = Described(false);
    EXPECT_FALSE(described);
    EXPECT_EQ(described.Reason(), "cannot read \"a b\"\r\xe9t\xe9");

    const core::Status status = described.AsFailure();
    EXPECT_FALSE(status);
    EXPECT_EQ(status.Reason(), described.Reason());
}

}  // namespace
