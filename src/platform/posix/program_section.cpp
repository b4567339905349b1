// SPDX-License-Identifier: MIT
#include "platform/posix/program_section.h"

#include <elf.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "platform/posix/unique_fd.h"

namespace velmo {

namespace {

// Reads exactly size bytes at offset; false on any shortfall.
bool ReadAt(int fd, uint64_t offset, void* to, uint64_t size, uint64_t fileSize) {
  if (offset > fileSize || size > fileSize - offset) return false;
  auto* out = static_cast<char*>(to);
  while (size > 0) {
    const ssize_t got = ::pread(fd, out, size, static_cast<off_t>(offset));
    if (got <= 0) return false;
    out += got, offset += static_cast<uint64_t>(got), size -= static_cast<uint64_t>(got);
  }
  return true;
}

template <class Ehdr, class Shdr>
std::vector<uint8_t> FindSection(int fd, uint64_t fileSize, std::string_view name) {
  Ehdr header;
  if (!ReadAt(fd, 0, &header, sizeof header, fileSize) || header.e_shentsize != sizeof(Shdr) ||
      header.e_shstrndx >= header.e_shnum)
    return {};
  std::vector<Shdr> sections(header.e_shnum);
  if (!ReadAt(fd, header.e_shoff, sections.data(), sizeof(Shdr) * sections.size(), fileSize)) return {};
  const Shdr& names = sections[header.e_shstrndx];
  // Sizes are checked against the file before anything is allocated for them.
  if (names.sh_size > fileSize) return {};
  std::vector<char> table(names.sh_size + 1, '\0');
  if (!ReadAt(fd, names.sh_offset, table.data(), names.sh_size, fileSize)) return {};
  for (const Shdr& s : sections) {
    if (s.sh_name >= names.sh_size || s.sh_type == SHT_NOBITS || table.data() + s.sh_name != name) continue;
    if (s.sh_size > fileSize) return {};
    std::vector<uint8_t> bytes(s.sh_size);
    if (!ReadAt(fd, s.sh_offset, bytes.data(), s.sh_size, fileSize)) return {};
    return bytes;
  }
  return {};
}

}  // namespace

std::vector<uint8_t> ReadProgramSection(const std::string& path, std::string_view name) {
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  struct stat st {};
  if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return {};
  const auto size = static_cast<uint64_t>(st.st_size);
  unsigned char ident[EI_NIDENT];
  if (!ReadAt(fd.get(), 0, ident, sizeof ident, size) || std::memcmp(ident, ELFMAG, SELFMAG) != 0) return {};
  const unsigned char order = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__ ? ELFDATA2LSB : ELFDATA2MSB;
  if (ident[EI_DATA] != order) return {};
  if (ident[EI_CLASS] == ELFCLASS64) return FindSection<Elf64_Ehdr, Elf64_Shdr>(fd.get(), size, name);
  if (ident[EI_CLASS] == ELFCLASS32) return FindSection<Elf32_Ehdr, Elf32_Shdr>(fd.get(), size, name);
  return {};
}

}  // namespace velmo
