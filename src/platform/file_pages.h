#pragma once
// Resident pages of bytes that lie in a read-only mapping of a file (the
// program's own embedded data) given back to the system: a later read pages
// them in again from the file. For data read once (a picture decoded at
// start) or read in a loop (the surf), so it is not kept resident whole.
#include <cstddef>
#include <cstdint>
#include <span>

namespace velmo {

// Gives back the whole pages of bytes[from, to) (to is cut to the bytes'
// end); the part pages at either end stay, so neighbouring data is never
// touched. Returns where a following call goes on from: to, less the part
// page there. At most one system call; allocates nothing; any thread, the
// audio thread included.
size_t DropFilePages(std::span<const uint8_t> bytes, size_t from, size_t to);

}  // namespace velmo
