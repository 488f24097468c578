#pragma once
// Replacing a file in one step: write the new contents under a temporary name
// in the same directory, then rename it over the old file. A crash leaves the
// old or the new file, never a truncated one.
//
// A rename makes a new file, so it is used only where the new file can be the
// old one in every way that matters: the file a symbolic link leads to is
// replaced (the link stays), and only a regular file with one name, owned by
// this user, in a directory this user may write, whose mode and group the new
// file can take. Anywhere else the file is rewritten in place.
#include <string>

namespace platform {

// A name for the temporary file in the directory of `path` (native name with
// '/' separators), unique to this process and call, and no longer than the
// name of `path` itself whenever that has 16 characters or more.
std::string TemporarySibling(const std::string& path);

// Whether renaming a new file over the file at `path` keeps its identity; then
// *target is the file to rename over (a symbolic link resolved). False means
// the file is to be rewritten in place. A missing file is renamed into being.
bool RenameKeepsIdentity(const std::string& path, std::string* target);

// Gives the open new file `fd` the mode and group of the file `target`; false
// when it cannot (the new file is then not to be renamed over it).
bool TakeIdentity(int fd, const std::string& target);

// Renames `from` over `to`; false (and `from` removed) when that fails.
bool ReplaceFile(const std::string& from, const std::string& to);

}  // namespace platform
