// The README's two commands and the CI script must not drift apart: CI runs
// exactly the README's test command, and the README's first command starts the
// desktop program on a sample that exists.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace quenlix {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> LinesOf(const fs::path& path)
{
    std::ifstream file(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) lines.push_back(line);
    return lines;
}

// The README's command lines: the lines of its code blocks that install and build.
std::vector<std::string> ReadmeCommands()
{
    std::vector<std::string> commands;
    for (const std::string& line : LinesOf(fs::path(QUENLIX_SOURCE_DIR) / "README.md"))
        if (line.rfind("apt-get update && ", 0) == 0) commands.push_back(line);
    return commands;
}

TEST(ReportDocs, CiRunsTheReadmeTestCommand)
{
    const std::vector<std::string> commands = ReadmeCommands();
    ASSERT_EQ(commands.size(), 2u);
    const std::string& testCommand = commands[1];
    EXPECT_NE(testCommand.find("ctest --test-dir build --output-on-failure"), std::string::npos);

    const fs::path script = fs::path(QUENLIX_SOURCE_DIR) / ".ci" / "run";
    const std::vector<std::string> lines = LinesOf(script);
    EXPECT_NE(std::find(lines.begin(), lines.end(), testCommand), lines.end()) << ".ci/run does not run: " << testCommand;
    EXPECT_NE(std::find(lines.begin(), lines.end(), "set -euo pipefail"), lines.end());
    EXPECT_NE(fs::status(script).permissions() & fs::perms::owner_exec, fs::perms::none) << ".ci/run is not executable";
}

TEST(ReportDocs, ReadmeStartsTheProgramOnTheBundledSample)
{
    const std::vector<std::string> commands = ReadmeCommands();
    ASSERT_EQ(commands.size(), 2u);
    const std::string run = "./build/bin/quenlix samples/office-sample.enc";
    ASSERT_GE(commands[0].size(), run.size());
    EXPECT_EQ(commands[0].substr(commands[0].size() - run.size()), run);
    EXPECT_TRUE(fs::exists(fs::path(QUENLIX_SOURCE_DIR) / "samples" / "office-sample.enc"));
    // Both commands install and build the same way.
    const std::string build = "cmake --build build -j2 && ";
    EXPECT_EQ(commands[0].substr(0, commands[0].find(build) + build.size()),
              commands[1].substr(0, commands[1].find(build) + build.size()));
    // Without the OpenGL development package Qt Charts' CMake package does not load.
    EXPECT_NE(commands[0].find(" libqt6opengl6-dev "), std::string::npos);
}

}  // namespace
}  // namespace quenlix
