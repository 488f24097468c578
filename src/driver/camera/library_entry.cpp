// What loading the library into a process and unloading it do: the claim
// list comes to life and the runtime modules start (the random generator
// seeded, so that every process draws its own sequence); at unload the claims
// that open cameras still hold are released, the library's locale freed and,
// after the static objects, the platform layer's process tables.
// A camera's own resources belong to the host's handle, released by Release.
#include "driver/transport/claims.h"
#include "platform/process_table.h"
#include "runtime/str_module_locale.h"
#include "tqusb/files/fio.h"
#include "tqusb/runtime/lib.h"
#include "tqusb/runtime/os.h"
#include "tqusb/runtime/storage.h"
#include "tqusb/runtime/str.h"

namespace tQusb {
namespace {

__attribute__((constructor)) void LibraryLoad() {
  // First, so that the tables go after every static object that may use them.
  platform::ReleaseProcessTablesAtUnload();
  ClaimList();
  Storage::InitModule();
  Lib::InitModule();
  Str::InitModule();
  FIO::InitModule();
  // The entry routine starts the modules once more, then seeds the generator.
  Lib::InitModule();
  FIO::InitModule();
  Storage::InitModule();
  os::__INIT();
  Str::InitModule();
  Lib::RANDOMIZE();
}

__attribute__((destructor)) void LibraryUnload() {
  ReleaseAllDevices(ClaimList());
  Str::detail::DoneModuleLocale();
}

}  // namespace
}  // namespace tQusb
