// Scenario scripts: what parses, what is refused with a useful place and reason;
// the command table that --help prints and the parser checks counts against.
#include "scenario/scenario.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <set>
#include <sstream>
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
                               all_commands(), &commands, &error))
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
        // Each board refuses what only the other plays, by name, before it starts.
        {"at 10 end\nat 5 wait-sound\n",
         ":2: the QEMU board cannot play \"wait-sound\"; it plays shot, end, "},
        {"at 10 inspect procs\n",
         ":1: the simulated board cannot play \"inspect\"; it plays shot, end, wait-sound"},
    };
    for (const Case &c : cases) {
        std::vector<ScenarioCommand> commands;
        std::string error;
        std::string path = write(c.text);
        unsigned board = strstr(c.why, "QEMU") != nullptr ? QEMU_BOARD : SIM_BOARD;
        EXPECT_FALSE(parse_scenario(path, all_commands(), &commands, &error, board)) << c.text;
        EXPECT_EQ(error.rfind(path + c.why, 0), 0u) << error;
    }
}

TEST_F(Scenario, MissingFileIsReported) {
    std::vector<ScenarioCommand> commands;
    std::string error;
    EXPECT_FALSE(parse_scenario("/nonexistent/tour", all_commands(), &commands, &error));
    EXPECT_EQ(error, "/nonexistent/tour: cannot read the scenario");
}

// The usage line before its "   (" remark: the name, then one word per argument,
// optional ones in brackets, "..." for a run of words.
struct UsageWords {
    std::string name;
    int required = 0;
    int optional = 0;
    bool open_ended = false;
};

UsageWords usage_words(const char *usage) {
    std::string text = usage;
    std::istringstream in(text.substr(0, text.find("   (")));
    UsageWords words;
    in >> words.name;
    for (std::string word; in >> word;) {
        words.open_ended |= word.find("...") != std::string::npos;
        (word[0] == '[' ? words.optional : words.required)++;
    }
    return words;
}

TEST(CommandTable, EachRowIsFoundByItsNameAndItsUsageAgreesWithItsCounts) {
    std::set<std::string> names;
    ASSERT_FALSE(all_commands().empty());
    for (const CommandSpec &entry : all_commands()) {
        SCOPED_TRACE(entry.name);
        EXPECT_TRUE(names.insert(entry.name).second) << "listed twice";
        EXPECT_EQ(find_command(all_commands(), entry.name), &entry);
        EXPECT_NE(entry.run, nullptr);
        UsageWords words = usage_words(entry.usage);
        EXPECT_EQ(words.name, entry.name);
        EXPECT_LE(entry.min_args, words.required);
        if (words.open_ended) {
            EXPECT_GT(entry.max_args, words.required + words.optional);
        } else {
            EXPECT_EQ(entry.max_args, words.required + words.optional);
        }
    }
    EXPECT_EQ(find_command(all_commands(), "fly"), nullptr);
}

} // namespace
