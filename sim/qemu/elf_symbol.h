// A symbol of the board binary, read from its own ELF symbol table: where the
// QEMU board's probes look for one piece of the application's memory.
#pragma once

#include <cstdint>
#include <string>

struct ElfSymbol {
    uint32_t address = 0;
    uint32_t size = 0;
};

// False with *error set when the file is not a 32-bit little-endian ELF with a
// symbol table that names `name`.
bool elf_symbol(const std::string &path, const std::string &name, ElfSymbol *symbol,
                std::string *error);
