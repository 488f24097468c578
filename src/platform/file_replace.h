#pragma once
// Replacing a file in one step: write the new contents under a temporary name
// in the same directory, then rename it over the old file. A crash leaves the
// old or the new file, never a truncated one.
#include <string>

namespace platform {

// A name for the temporary file in the directory of `path` (native name with
// '/' separators), unique to this process and call, and no longer than the
// name of `path` itself whenever that has 16 characters or more.
std::string TemporarySibling(const std::string& path);

// Renames `from` over `to`; false (and `from` removed) when that fails.
bool ReplaceFile(const std::string& from, const std::string& to);

}  // namespace platform
