// The options of lmhost.
#include <gtest/gtest.h>

#include <stdexcept>

#include "LmhostCommand.h"

namespace {

TEST(CommandLineOptionsTest, ReadsTheOptionsInAnyOrder) {
    const LmhostCommand::Options options =
        LmhostCommand::Options::parse({"--quiet", "a.lmh", "--plugin", "x/Quayline.so", "--json"});
    EXPECT_EQ(options.scenario, "a.lmh");
    EXPECT_EQ(options.plugin, "x/Quayline.so");
    EXPECT_TRUE(options.json);
    EXPECT_TRUE(options.quiet);
    EXPECT_FALSE(options.help);
    EXPECT_EQ(LmhostCommand::Options::parse({"--plugin=y.so"}).plugin, "y.so");
    EXPECT_FALSE(LmhostCommand::Options::parse({}).scenario.has_value());
}

TEST(CommandLineOptionsTest, RefusesWhatItCannotUse) {
    for (const std::vector<std::string>& arguments :
         std::vector<std::vector<std::string>>{{"--plugin"}, {"--verbose"}, {"a.lmh", "b.lmh"}}) {
        EXPECT_THROW(LmhostCommand::Options::parse(arguments), std::invalid_argument) << arguments.front();
    }
}

}  // namespace
