#include "core/command_line.h"

#include <gtest/gtest.h>

namespace {

TEST(AppendArgument, QuotesBlanksInTheTextAndKeepsTheExactList) {
    core::CommandLine line;
    core::AppendArgument(line, "");
    EXPECT_EQ(line.text, "");
    core::AppendArgument(line, "/opt/Program Files/x.sfx");
    EXPECT_EQ(line.text, "\"/opt/Program Files/x.sfx\"");
    core::AppendArgument(line, "-overwrite");
    core::AppendArgument(line, "");
    core::AppendArgument(line, "say \"hi\"");
    core::AppendArgument(line, "a\"b");
    EXPECT_EQ(line.text, "\"/opt/Program Files/x.sfx\" -overwrite \"say \"hi\"\" a\"b");
    EXPECT_EQ(line.arguments,
              (std::vector<std::string>{"/opt/Program Files/x.sfx", "-overwrite", "say \"hi\"", "a\"b"}));
}

}  // namespace
