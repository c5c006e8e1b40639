// The host's end of the QEMU board's guest agent (board-vm/guest_agent.cpp): a
// line protocol on the virtual console. Each command is answered by its lines,
// then "ok" or "error: WHY", so the host knows it took effect.
#pragma once

#include <string>
#include <vector>

// Takes over the connected socket.
void guest_agent_attach(int fd);
void guest_agent_detach();

// Sends one command; false with *error set when the agent refused it or the line
// closed. Safe from any thread: a command and its answer are never interleaved.
bool guest_agent_ask(const std::string &command, std::vector<std::string> *lines,
                     std::string *error);

// The agent's one-line answer "NAME VALUE...", its words after NAME; false with
// *error set when it gave no such line.
bool guest_agent_value(const std::string &command, std::vector<std::string> *words,
                       std::string *error);
