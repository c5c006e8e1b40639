#include "qemu/guest_console.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <sstream>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

std::mutex text_lock;
std::string text; // everything printed so far, under text_lock
int console_fd = -1;
FILE *log = nullptr;
std::thread reader;

void copy() {
    char chunk[4096];
    ssize_t n;
    while ((n = read(console_fd, chunk, sizeof chunk)) > 0 || (n < 0 && errno == EINTR)) {
        if (n <= 0) {
            continue;
        }
        fwrite(chunk, 1, static_cast<size_t>(n), log);
        fflush(log);
        std::lock_guard<std::mutex> hold(text_lock);
        text.append(chunk, static_cast<size_t>(n));
    }
}

std::vector<std::string> lines() {
    std::lock_guard<std::mutex> hold(text_lock);
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        line.erase(line.find_last_not_of("\r") + 1);
        out.push_back(line);
    }
    return out;
}

} // namespace

bool guest_console_start(int fd, const std::string &log_path, std::string *error) {
    log = fopen(log_path.c_str(), "w");
    if (log == nullptr) {
        *error = log_path + ": " + strerror(errno);
        return false;
    }
    console_fd = fd;
    reader = std::thread(copy);
    return true;
}

void guest_console_stop() {
    if (console_fd >= 0) {
        shutdown(console_fd, SHUT_RDWR);
    }
    if (reader.joinable()) {
        reader.join();
    }
    if (console_fd >= 0) {
        close(console_fd);
        console_fd = -1;
    }
    if (log != nullptr) {
        fclose(log);
        log = nullptr;
    }
}

bool guest_console_has(const std::string &wanted) {
    std::lock_guard<std::mutex> hold(text_lock);
    return text.find(wanted) != std::string::npos;
}

std::string guest_console_tail(int count) {
    std::vector<std::string> all = lines();
    if (all.empty()) {
        return "  (the console printed nothing)";
    }
    std::string out;
    size_t first = all.size() > static_cast<size_t>(count) ? all.size() - count : 0;
    for (size_t i = first; i < all.size(); ++i) {
        out += "  | " + all[i] + (i + 1 < all.size() ? "\n" : "");
    }
    return out;
}

std::string guest_console_fault() {
    static const char *const FAULTS[] = {"Internal error: Oops", "Unable to handle kernel",
                                         "BUG:", "Kernel panic", "WARNING: CPU"};
    for (const std::string &line : lines()) {
        for (const char *fault : FAULTS) {
            if (line.find(fault) != std::string::npos) {
                return line;
            }
        }
    }
    return "";
}
