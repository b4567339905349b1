// SPDX-License-Identifier: MIT
#pragma once
// Reads one named section of a program file (ELF), so that a second program
// can use data the first carries instead of a copy of its own (the settings
// dialog takes the saver's preview picture from the saver's program).
// Blocks on the disk, on the caller's thread; the bytes are the caller's.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velmo {

// The contents of the section `name` of the ELF file at path; empty when the
// file cannot be read, is no ELF file of this machine's byte order, or has no
// such section (or one of no bytes in the file).
std::vector<uint8_t> ReadProgramSection(const std::string& path, std::string_view name);

}  // namespace velmo
