// SPDX-License-Identifier: MIT
#pragma once
// Every file Velmo writes (its settings, another program's settings such as
// ~/.xscreensaver, a desktop entry) is replaced whole through this one
// routine, so a crash or a kill at any moment leaves the old file or the new
// one, never a part, and never a temporary file beside it.
//
// Both calls block on the disk (a write flushes the file and its directory:
// a few milliseconds, more on a busy disk) on the caller's thread; nothing is
// kept between calls. Neither follows a symbolic link at the path itself:
// callers that keep a user's link resolve it first.
#include <sys/stat.h>

#include <string>
#include <string_view>

namespace velmo {

// Reads the regular file at path whole. 0, or an errno value: ENOENT when it
// is missing, EINVAL for anything but a regular file (a FIFO or a device is
// never waited on), with the reason in words in *why (may be null). *st (may
// be null) gets what the file was as read, for WriteFileAtomically's check.
int ReadWholeFile(const std::string& path, std::string* text, std::string* why = nullptr,
                  struct stat* st = nullptr);

// Replaces the file at path by contents, or makes it with newMode. An
// existing file keeps its mode, and its owner and group where this user may
// give them. The contents go into an unnamed file in the same directory,
// linked in place once whole and flushed (a named temporary where the file
// system has no unnamed ones; one a killed writer left is removed by the
// next write). With unchangedSince, a file changed or replaced since it was
// read is left alone: EAGAIN. 0, or an errno value (EINVAL: not a regular
// file), with the reason in words in *why (may be null). Nothing is left
// behind on failure.
int WriteFileAtomically(const std::string& path, std::string_view contents, mode_t newMode = 0600,
                        std::string* why = nullptr, const struct stat* unchangedSince = nullptr);

// Removes the temporaries killed writers left beside path (named as this
// routine names them, this user's, at least a minute old); anything else of
// a similar name is left alone. WriteFileAtomically calls it first.
void RemoveStaleTemporaries(const std::string& path);

}  // namespace velmo
