// Scenario scripts: what parses, what is refused with a useful place and reason.
#include "scenario/scenario.h"

#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

class Scenario : public ::testing::Test {
  protected:
    std::string write(const std::string &text) {
        path_ = testing::TempDir() + "scenario-" + std::to_string(getpid()) + ".txt";
        std::ofstream(path_) << text;
        return path_;
    }
    void TearDown() override { std::remove(path_.c_str()); }
    std::string path_;
};

TEST_F(Scenario, CommandsRunInTimeOrderKeepingFileOrderForTies) {
    std::vector<ScenarioCommand> commands;
    std::string error;
    ASSERT_TRUE(parse_scenario(write("# a tour\n"
                                     "at 400 end\n"
                                     "\n"
                                     "at 300 shot first   # the first frame\n"
                                     "at 300 shot second\n"),
                               &commands, &error))
        << error;
    ASSERT_EQ(commands.size(), 3u);
    EXPECT_EQ(commands[0].args, std::vector<std::string>{"first"});
    EXPECT_EQ(commands[0].line, 4);
    EXPECT_EQ(commands[1].args, std::vector<std::string>{"second"});
    EXPECT_EQ(commands[2].name, "end");
    EXPECT_EQ(commands[2].at_ms, 400u);
}

TEST_F(Scenario, BadLinesNameTheFileLineAndReason) {
    struct Case {
        const char *text;
        const char *why;
    } cases[] = {
        {"at 10 fly\n", ":1: unknown command \"fly\""},
        {"\nat soon end\n", ":2: \"soon\" is not a time in milliseconds"},
        {"at -5 end\n", ":1: \"-5\" is not a time in milliseconds"},
        {"shot x\n", ":1: expected \"at MS COMMAND [ARGS...]\""},
        {"at 10 shot\n", ":1: usage: at MS shot NAME"},
        {"at 10 end now\n", ":1: usage: at MS end"},
    };
    for (const Case &c : cases) {
        std::vector<ScenarioCommand> commands;
        std::string error;
        std::string path = write(c.text);
        EXPECT_FALSE(parse_scenario(path, &commands, &error)) << c.text;
        EXPECT_EQ(error.rfind(path + c.why, 0), 0u) << error;
    }
}

TEST_F(Scenario, MissingFileIsReported) {
    std::vector<ScenarioCommand> commands;
    std::string error;
    EXPECT_FALSE(parse_scenario("/nonexistent/tour", &commands, &error));
    EXPECT_EQ(error, "/nonexistent/tour: cannot read the scenario");
}

} // namespace
