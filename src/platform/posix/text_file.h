// SPDX-License-Identifier: MIT
#pragma once
// A whole text file of someone else's format (another program's settings),
// read and replaced in one piece, keeping what the file is: its place behind
// a link, its mode and its owner. Both block on the disk, on the caller's
// thread; nothing is kept between calls.
#include <sys/stat.h>

#include <string>

namespace velmo {

struct TTextFile {
  std::string path;  // the file itself, links followed
  std::string text;
  struct stat st {};  // as it was read
};

// Reads the regular file at path (following links). 0, or the errno value
// of what failed (EISDIR-like cases as EINVAL).
int ReadTextFile(const std::string& path, TTextFile* file);

// Replaces the file read into `file` by `text`: written to a temporary
// beside it with the file's mode (and its owner and group, where this user
// may give them), flushed, renamed over it and the directory flushed, so a
// crash leaves the old file or the new one. EAGAIN, with nothing changed,
// when the file was changed or replaced since it was read; otherwise 0 or
// the errno value of what failed (the temporary is removed).
int ReplaceTextFile(const TTextFile& file, const std::string& text);

}  // namespace velmo
