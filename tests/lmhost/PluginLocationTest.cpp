// Where lmhost looks for the plug-in.
#include <gtest/gtest.h>

#include <filesystem>

#include "LmhostCommand.h"

namespace {

// A bare file name given to the system loader is searched on the library
// path, not in the current folder.
TEST(PluginLocationTest, AGivenPathCountsFromTheCurrentFolder) {
    EXPECT_EQ(std::filesystem::path(LmhostCommand::pluginPath(std::string("Other.so"), "lmhost")),
              std::filesystem::current_path() / "Other.so");
}

}  // namespace
