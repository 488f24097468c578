#pragma once
// The file of a loaded module, found by name.
#include <string>
#include <string_view>

namespace platform {

// A module is named as a loaded shared object: by its full path, by its file
// name, or by its file name with fewer of its ".so" suffixes ("libtqusb",
// "libtqusb.so" and "libtqusb.so.1" find libtqusb.so.1.2). An empty name is
// the program itself. The full path of the file, or empty when no such module
// is loaded.
std::string LoadedModuleFile(std::string_view name);

}  // namespace platform
