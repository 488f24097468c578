// A host process for the library tests: loads the library the ordinary way
// (or from LD_LIBRARY_PATH) and prints what a test asks for.
//   random          the first number of the library's random generator
//   locale          the process's global locale and the library's upper case of U+00E9
//   camera ID       connection, reported size, micrometre flag and the filter list
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tqusb/runtime/lib.h"
#include "tqusb/runtime/str.h"
#include "tqusb/tqusb.h"

namespace {

int Camera(unsigned id) {
  TQCAMERA c = Initialize(id);
  bool connected = false, micrometres = false;
  uint32_t width = 0, height = 0;
  GetBooleanParameter(c, 0, &connected);
  GetIntegerParameter(c, 1, &width);
  GetIntegerParameter(c, 2, &height);
  GetBooleanParameter(c, 11, &micrometres);
  std::printf("connected=%d size=%ux%u micrometres=%d\n", connected, width, height, micrometres);
  char name[32];
  uint32_t colour = 0, offset = 0;
  for (uint32_t i = 0; EnumerateFilters2(c, i, 31, name, &colour, &offset); ++i)
    std::printf("filter=%s|%06X|%d\n", name, colour, static_cast<int32_t>(offset));
  Release(c);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "random") == 0) {
    std::printf("%u\n", Lib::RANDOM(1000000000u));
    return 0;
  }
  if (argc >= 2 && std::strcmp(argv[1], "locale") == 0) {
    std::printf("%s %04X\n", std::setlocale(LC_ALL, nullptr),
                static_cast<unsigned>(Str::CapW(u'\u00E9')));
    return 0;
  }
  if (argc >= 3 && std::strcmp(argv[1], "camera") == 0)
    return Camera(static_cast<unsigned>(std::strtoul(argv[2], nullptr, 10)));
  std::fprintf(stderr, "usage: library_host random | locale | camera ID\n");
  return 2;
}
