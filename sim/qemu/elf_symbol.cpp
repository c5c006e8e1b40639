#include "qemu/elf_symbol.h"

#include <cstring>
#include <elf.h>
#include <fstream>
#include <sstream>

namespace {

template <typename T> bool at(const std::string &file, uint64_t offset, T *value) {
    if (offset > file.size() || file.size() - offset < sizeof(T)) {
        return false;
    }
    memcpy(value, file.data() + offset, sizeof(T));
    return true;
}

bool is_elf32_le(const std::string &file, Elf32_Ehdr *header) {
    return at(file, 0, header) && memcmp(header->e_ident, ELFMAG, SELFMAG) == 0 &&
           header->e_ident[EI_CLASS] == ELFCLASS32 && header->e_ident[EI_DATA] == ELFDATA2LSB;
}

// The symbol `name` in the table described by `table`, whose names are in section
// `table.sh_link`.
bool find_in(const std::string &file, const Elf32_Ehdr &header, const Elf32_Shdr &table,
             const std::string &name, ElfSymbol *symbol) {
    Elf32_Shdr names;
    if (!at(file, header.e_shoff + uint64_t{table.sh_link} * header.e_shentsize, &names)) {
        return false;
    }
    for (uint64_t i = 0; i < table.sh_size / sizeof(Elf32_Sym); ++i) {
        Elf32_Sym entry;
        uint64_t name_at = 0;
        if (!at(file, table.sh_offset + i * sizeof entry, &entry)) {
            return false;
        }
        name_at = uint64_t{names.sh_offset} + entry.st_name;
        if (name_at < file.size() && name == file.c_str() + name_at) {
            *symbol = {entry.st_value, entry.st_size};
            return true;
        }
    }
    return false;
}

} // namespace

bool elf_symbol(const std::string &path, const std::string &name, ElfSymbol *symbol,
                std::string *error) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    std::string file = all.str();
    Elf32_Ehdr header;
    if (!in || !is_elf32_le(file, &header)) {
        *error = path + " is not a 32-bit little-endian ELF file";
        return false;
    }
    for (unsigned i = 0; i < header.e_shnum; ++i) {
        Elf32_Shdr section;
        if (at(file, header.e_shoff + uint64_t{i} * header.e_shentsize, &section) &&
            section.sh_type == SHT_SYMTAB && find_in(file, header, section, name, symbol)) {
            return true;
        }
    }
    *error = path + " has no symbol " + name + " (a stripped binary?)";
    return false;
}
