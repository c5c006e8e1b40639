#include "qemu/guest_agent.h"

#include <cerrno>
#include <cstring>
#include <mutex>
#include <sstream>
#include <sys/socket.h>
#include <unistd.h>

namespace {

std::mutex line_lock;
int agent_fd = -1;
std::string pending; // what has arrived beyond the last whole line

bool read_line(std::string *line) {
    for (;;) {
        size_t end = pending.find('\n');
        if (end != std::string::npos) {
            *line = pending.substr(0, end);
            pending.erase(0, end + 1);
            while (!line->empty() && line->back() == '\r') {
                line->pop_back();
            }
            return true;
        }
        char chunk[512];
        ssize_t n = read(agent_fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        pending.append(chunk, static_cast<size_t>(n));
    }
}

bool write_all(const std::string &text) {
    for (size_t done = 0; done < text.size();) {
        ssize_t n = send(agent_fd, text.data() + done, text.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

} // namespace

void guest_agent_attach(int fd) {
    std::lock_guard<std::mutex> hold(line_lock);
    agent_fd = fd;
    pending.clear();
}

void guest_agent_detach() {
    std::lock_guard<std::mutex> hold(line_lock);
    if (agent_fd >= 0) {
        close(agent_fd);
    }
    agent_fd = -1;
}

bool guest_agent_ask(const std::string &command, std::vector<std::string> *lines,
                     std::string *error) {
    std::lock_guard<std::mutex> hold(line_lock);
    if (agent_fd < 0 || !write_all(command + "\n")) {
        *error = "the guest agent's line is closed";
        return false;
    }
    for (std::string line; read_line(&line);) {
        if (line == "ok") {
            return true;
        }
        if (line.rfind("error: ", 0) == 0) {
            *error = line.substr(7);
            return false;
        }
        if (!line.empty()) {
            lines->push_back(line);
        }
    }
    *error = "the guest agent's line closed during \"" + command + "\"";
    return false;
}

bool guest_agent_value(const std::string &command, std::vector<std::string> *words,
                       std::string *error) {
    std::vector<std::string> lines;
    if (!guest_agent_ask(command, &lines, error)) {
        return false;
    }
    std::string name = command.substr(0, command.find(' '));
    for (const std::string &line : lines) {
        std::istringstream in(line);
        std::string first;
        in >> first;
        if (first == name) {
            words->clear();
            for (std::string word; in >> word;) {
                words->push_back(word);
            }
            return true;
        }
    }
    *error = "the guest agent gave no \"" + name + "\" line";
    return false;
}
