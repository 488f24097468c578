#pragma once
// Reading and changing the registry file as a whole: cached parsed copies for
// readers, lock + fresh read + atomic replacement for writers.
#include <functional>
#include <memory>
#include <string>

#include "platform/registry_store.h"

namespace platform::registry {

// The store as the file holds it now (an empty store for a missing file);
// null with *error set (kBadDb, kAccessDenied) when it cannot be had.
std::shared_ptr<const Store> LoadStore(const std::string& file, long* error);

// Whether changes are refused: the file exists without any write permission,
// or cannot be written by this process.
bool IsReadOnly(const std::string& file);

// Runs `change` on a fresh copy of the store under the file's lock and writes
// the result back when it returns kSuccess with *changed set. The result is
// change's, or the error of locking, reading or writing.
long UpdateStore(const std::string& file, const std::function<long(Store&, bool* changed)>& change);

}  // namespace platform::registry
