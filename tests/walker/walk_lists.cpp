#include "walk_lists.h"

#include <algorithm>
#include <fstream>

namespace {

// The line without its call number: one call added to a path renumbers every
// line after it, and only the added line is news.
std::string unnumbered(const std::string &line) {
    return line.substr(std::min(line.find(' '), line.size()));
}

} // namespace

std::vector<std::string> read_list(const std::string &path) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line[0] != '#') {
            lines.push_back(line);
        }
    }
    return lines;
}

void write_list(const std::string &path, const std::string &header,
                const std::vector<std::string> &lines) {
    std::ofstream out(path);
    out << header;
    for (const std::string &line : lines) {
        out << line << '\n';
    }
}

std::string differences(const std::vector<std::string> &want, const std::vector<std::string> &got) {
    size_t w = want.size(), g = got.size();
    std::vector<std::vector<size_t>> common(w + 1, std::vector<size_t>(g + 1, 0));
    for (size_t i = w; i-- > 0;) {
        for (size_t j = g; j-- > 0;) {
            common[i][j] = unnumbered(want[i]) == unnumbered(got[j])
                               ? common[i + 1][j + 1] + 1
                               : std::max(common[i + 1][j], common[i][j + 1]);
        }
    }
    std::string text;
    size_t i = 0, j = 0;
    while (i < w || j < g) {
        if (i < w && j < g && unnumbered(want[i]) == unnumbered(got[j])) {
            ++i, ++j;
        } else if (i < w && (j == g || common[i + 1][j] >= common[i][j + 1])) {
            text += "- " + want[i++] + "\n";
        } else {
            text += "+ " + got[j++] + "\n";
        }
    }
    return text;
}
