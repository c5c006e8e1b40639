// Every golden frame rendered again by `ipslide-sim render` and compared pixel
// for pixel, tolerance zero: the drawing is integer arithmetic and exact. A
// missing golden fails (it is never created here); a mismatch leaves the rendered
// frame and a difference image in the build's test-output/golden folder.
#include "front/screen_png.h"
#include "support/sim_run.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int SCREEN_W = 320;
constexpr int SCREEN_H = 240;
const std::string GOLDEN = GOLDEN_DIR;
const std::string OUTPUT = TEST_OUTPUT_DIR;

struct GoldenCase {
    std::string name;
    std::vector<std::string> args;
};

void PrintTo(const GoldenCase &c, std::ostream *os) {
    *os << c.name;
}

std::vector<GoldenCase> load_cases() {
    std::vector<GoldenCase> cases;
    std::ifstream in(GOLDEN + "/cases.txt");
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        GoldenCase c;
        if (!(words >> c.name) || c.name[0] == '#') {
            continue;
        }
        for (std::string w; words >> w;) {
            c.args.push_back(w);
        }
        cases.push_back(c);
    }
    return cases;
}

void make_dirs(const std::string &path) {
    std::string partial;
    std::istringstream parts(path);
    for (std::string p; std::getline(parts, p, '/');) {
        partial += p + "/";
        mkdir(partial.c_str(), 0755);
    }
}

// Runs `ipslide-sim render ARGS --out OUT`; what it said goes beside OUT.
SimRun run_render(const GoldenCase &c, const std::string &out) {
    std::vector<std::string> words = {"render"};
    words.insert(words.end(), c.args.begin(), c.args.end());
    words.push_back("--out");
    words.push_back(out);
    return run_simulator(IPSLIDE_SIM_PATH, words, out + ".txt");
}

// Differing pixels in magenta over a dimmed copy of the golden frame.
void write_difference(const std::string &path, const std::vector<uint16_t> &golden,
                      const std::vector<uint16_t> &rendered) {
    std::vector<uint16_t> diff(golden.size());
    for (size_t i = 0; i < diff.size(); ++i) {
        diff[i] =
            golden[i] == rendered[i] ? static_cast<uint16_t>((golden[i] >> 2) & 0x39E7) : 0xF81F;
    }
    write_rgb565_png(path, diff.data(), SCREEN_W, SCREEN_H);
}

class GoldenFrame : public testing::TestWithParam<GoldenCase> {};

TEST_P(GoldenFrame, RendersExactlyTheGoldenPicture) {
    const GoldenCase &c = GetParam();
    std::vector<uint16_t> golden;
    int gw = 0;
    int gh = 0;
    ASSERT_TRUE(read_png_rgb565(GOLDEN + "/" + c.name + ".png", &golden, &gw, &gh))
        << "missing golden tests/golden/" << c.name << ".png (make golden, then look at it)";
    ASSERT_EQ(gw, SCREEN_W);
    ASSERT_EQ(gh, SCREEN_H);

    make_dirs(OUTPUT);
    std::string out = OUTPUT + "/" + c.name + ".png";
    unlink(out.c_str());
    unlink((OUTPUT + "/" + c.name + ".diff.png").c_str());
    SimRun render = run_render(c, out);
    ASSERT_EQ(render.status, 0) << "ipslide-sim render failed for " << c.name << ":\n"
                                << render.said;
    std::vector<uint16_t> rendered;
    int rw = 0;
    int rh = 0;
    ASSERT_TRUE(read_png_rgb565(out, &rendered, &rw, &rh));
    ASSERT_EQ(rw, SCREEN_W);
    ASSERT_EQ(rh, SCREEN_H);

    size_t differing = 0;
    for (size_t i = 0; i < golden.size(); ++i) {
        differing += golden[i] != rendered[i] ? 1 : 0;
    }
    if (differing != 0) {
        write_difference(OUTPUT + "/" + c.name + ".diff.png", golden, rendered);
    }
    EXPECT_EQ(differing, 0u) << "see " << out << " and " << OUTPUT << "/" << c.name << ".diff.png";
}

std::string case_name(const testing::TestParamInfo<GoldenCase> &info) {
    std::string name = info.param.name;
    for (char &ch : name) {
        ch = isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
    }
    return name;
}

INSTANTIATE_TEST_SUITE_P(Cases, GoldenFrame, testing::ValuesIn(load_cases()), case_name);

// A command line that cannot make a still says so with status 2; a stick without
// a font name, or a size the atlas refuses, with status 1; none leaves a picture.
TEST(RenderCommand, RefusesWhatItCannotRender) {
    make_dirs(OUTPUT + "/empty-stick");
    const struct {
        std::vector<std::string> args;
        int status;
    } cases[] = {
        {{"--scene", "address"}, 2},
        {{"--scene", "hall", "--elapsed", "0"}, 2},
        {{"--elapsed", "-1"}, 2},
        {{"--elapsed", "0", "--board", "0,1,2,3,4,5,6,7,7"}, 2},
        {{"--elapsed", "0", "--slide", "9,0"}, 2},
        {{"--elapsed", "0", "--stick", OUTPUT + "/empty-stick"}, 1},
        {{"--elapsed", "0", "--font-size", "301"}, 1},
    };
    for (const auto &c : cases) {
        std::string out = OUTPUT + "/refused.png";
        unlink(out.c_str());
        EXPECT_EQ(run_render({"refused", c.args}, out).status, c.status) << c.args.back();
        EXPECT_NE(access(out.c_str(), F_OK), 0) << c.args.back();
    }
}

// A golden picture without a case would never be checked again.
TEST(GoldenFolder, EveryPictureHasACaseAndThereAreCases) {
    std::set<std::string> names;
    for (const GoldenCase &c : load_cases()) {
        names.insert(c.name + ".png");
    }
    EXPECT_FALSE(names.empty());
    DIR *dir = opendir(GOLDEN.c_str());
    ASSERT_NE(dir, nullptr);
    for (dirent *e = readdir(dir); e != nullptr; e = readdir(dir)) {
        std::string file = e->d_name;
        if (file.size() > 4 && file.substr(file.size() - 4) == ".png") {
            EXPECT_TRUE(names.count(file) == 1) << file << " has no line in cases.txt";
        }
    }
    closedir(dir);
}

} // namespace
