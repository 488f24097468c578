#pragma once
// The command-line rules of Lib::ParamCount, Lib::ParamStrA and Lib::ExecA:
// arguments are separated by spaces or tabs; a double quote opens a stretch,
// closed by the next double quote, inside which blanks do not separate (quotes
// may stand anywhere in an argument).
#include <string>
#include <string_view>
#include <vector>

namespace runtime {

// The arguments of a command line as written, quotes included; the program
// name first.
std::vector<std::string_view> SplitCommandLine(std::string_view line);

// One command line from separate arguments: joined with spaces, an argument
// that is empty or contains a blank written in double quotes, so that
// SplitCommandLine finds the same arguments again (arguments that contain
// double quotes themselves cannot be represented exactly).
std::string JoinArguments(const std::vector<std::string>& args);

// The argument with its quotes dropped: the text a program gets as argv.
std::string WithoutQuotes(std::string_view arg);

// Copies an argument into a bounded string (high index `high`): cut to
// high + 1 characters, terminated when there is room; when it begins with a
// double quote, that quote and the last double quote of the copied text are
// removed.
void CopyArgument(std::string_view arg, unsigned int high, char* buffer);

// This process's command line, built once from /proc/self/cmdline.
const std::string& ProcessCommandLine();

}  // namespace runtime
