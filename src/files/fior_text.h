#pragma once
// The path operations of FIOR on std::string, shared by the members of CRed1A.
#include <string>
#include <string_view>

namespace files {

// Absolute form of `source` with `.` and `..` resolved. A relative source is
// taken from the current directory (useCurrentDir) or from baseDir (which
// may itself be relative or empty: the result then stays relative).
std::string ExpandPathText(std::string_view source, std::string_view baseDir, bool useCurrentDir);
// dir and name joined by one separator and expanded; an absolute name alone.
std::string MakePathText(std::string_view dir, std::string_view name, std::string_view baseDir,
                         bool useCurrentDir);
// A relative path resolved against base (no current directory involved).
std::string JoinPathText(std::string_view base, std::string_view path);

}  // namespace files
