/* Loads and unloads a library N times, with CAMERA given opening that camera
 * (Initialize, connection query, Release) in every round, and prints the
 * process's open descriptors and threads before and after, how many rounds
 * found the camera connected, and whether the library is still mapped:
 * "fds=A,B threads=C,D connected=E mapped=F". */
#include <dirent.h>
#include <dlfcn.h>
#include <limits.h>
#include <stdbool.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int Count(const char* directory) {
  DIR* d = opendir(directory);
  if (d == NULL) return -1;
  int n = 0;
  while (readdir(d) != NULL) ++n;
  closedir(d);
  return n;
}

/* Whether a mapping of the file `path` (resolved) is in /proc/self/maps. */
static int Mapped(const char* path) {
  char file[PATH_MAX], line[PATH_MAX + 128];
  if (realpath(path, file) == NULL) return -1;
  FILE* maps = fopen("/proc/self/maps", "r");
  if (maps == NULL) return -1;
  int mapped = 0;
  while (fgets(line, sizeof line, maps) != NULL) {
    char* name = strchr(line, '/');
    if (name == NULL) continue;
    name[strcspn(name, "\n")] = '\0';
    if (strcmp(name, file) == 0) mapped = 1;
  }
  fclose(maps);
  return mapped;
}

typedef void* (*InitializeFn)(uint32_t);
typedef bool (*GetBooleanParameterFn)(void*, uint32_t, bool*);
typedef void (*ReleaseFn)(void*);

/* Opens camera `id`; 1 when it was connected, 0 when not, -1 when the
 * exports are missing. */
static int OpenCamera(void* library, unsigned id) {
  InitializeFn initialize = (InitializeFn)dlsym(library, "Initialize");
  GetBooleanParameterFn get = (GetBooleanParameterFn)dlsym(library, "GetBooleanParameter");
  ReleaseFn release = (ReleaseFn)dlsym(library, "Release");
  if (initialize == NULL || get == NULL || release == NULL) return -1;
  void* camera = initialize(id);
  bool connected = false;
  get(camera, 0, &connected);
  release(camera);
  return connected ? 1 : 0;
}

int main(int argc, char** argv) {
  if (argc != 3 && argc != 4) {
    fprintf(stderr, "usage: dl_cycle LIBRARY COUNT [CAMERA]\n");
    return 2;
  }
  const int fds = Count("/proc/self/fd"), threads = Count("/proc/self/task");
  int connected = 0;
  for (int i = 0; i < atoi(argv[2]); ++i) {
    void* library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (library == NULL) {
      fprintf(stderr, "%s\n", dlerror());
      return 1;
    }
    if (argc == 4) {
      const int opened = OpenCamera(library, (unsigned)strtoul(argv[3], NULL, 10));
      if (opened < 0) return 1;
      connected += opened;
    }
    dlclose(library);
  }
  printf("fds=%d,%d threads=%d,%d connected=%d mapped=%d\n", fds, Count("/proc/self/fd"), threads,
         Count("/proc/self/task"), connected, Mapped(argv[1]));
  return 0;
}
