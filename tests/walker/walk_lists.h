// The reviewed lists of the fault walker: files of one line per run, where lines
// starting with '#' are comments, and the difference between two lists.
#pragma once

#include <string>
#include <vector>

// The list's lines without its comments; empty when the file is missing.
std::vector<std::string> read_list(const std::string &path);

void write_list(const std::string &path, const std::string &header,
                const std::vector<std::string> &lines);

// The lines only `want` has ("- line") and those only `got` has ("+ line"), in
// order, one a line, by the longest common subsequence of the lines without
// their call numbers: a call added to a path renumbers every line after it, and
// only the added line is news. Empty when the lists are equal.
std::string differences(const std::vector<std::string> &want, const std::vector<std::string> &got);
