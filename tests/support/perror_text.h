// The exact standard error of perror(what) after a failure with error, as a
// death test's pattern. The system's part is strerror's, so the pattern holds
// on whichever C library the test runs (glibc and musl word some errors apart).
#pragma once

#include <cstring>
#include <string>

inline std::string regex_escaped(const char *text) {
    std::string escaped;
    for (const char *p = text; *p != '\0'; ++p) {
        if (strchr(".[]()*+?{}|^$\\", *p) != nullptr) {
            escaped += '\\';
        }
        escaped += *p;
    }
    return escaped;
}

// The line perror(what) writes, as a piece of a pattern.
inline std::string perror_line(const char *what, int error) {
    return regex_escaped(what) + ": " + regex_escaped(strerror(error)) + "\n";
}

inline std::string perror_pattern(const char *what, int error) {
    return "^" + perror_line(what, error) + "$";
}
