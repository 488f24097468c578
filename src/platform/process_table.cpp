#include "platform/process_table.h"

#include <cstdlib>

namespace platform {
namespace {

void ReleaseProcessTables() {
  ReleaseWindowRegistry();
  ReleaseNoticeIndex();
  vbus::ReleasePipeRegistry();
  ReleaseHandleTable();
  ReleaseDebugSink();
}

}  // namespace

// atexit in a shared object runs its function when the object is unloaded
// (or the process ends), in reverse order of registration with the object's
// static destructors: registered before any of them, it runs after them all.
void ReleaseProcessTablesAtUnload() {
  std::atexit(ReleaseProcessTables);
}

}  // namespace platform
