#pragma once
// The desktop's document folders, where a person keeps settings files.
#include <string>

namespace platform {

// The user's documents: XDG_DOCUMENTS_DIR of user-dirs.dirs in the
// configuration home, else ~/Documents. Empty when there is no home.
std::string DocumentsFolder();
// The documents shared by all users: the first directory of $XDG_CONFIG_DIRS,
// else /etc/xdg.
std::string PublicDocumentsFolder();

}  // namespace platform
