/* Loads and unloads a library N times and prints the process's open
 * descriptors and threads before and after: "fds=A,B threads=C,D". */
#include <dirent.h>
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>

static int Count(const char* directory) {
  DIR* d = opendir(directory);
  if (d == NULL) return -1;
  int n = 0;
  while (readdir(d) != NULL) ++n;
  closedir(d);
  return n;
}

int main(int argc, char** argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: dl_cycle LIBRARY COUNT\n");
    return 2;
  }
  const int fds = Count("/proc/self/fd"), threads = Count("/proc/self/task");
  for (int i = 0; i < atoi(argv[2]); ++i) {
    void* library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (library == NULL) {
      fprintf(stderr, "%s\n", dlerror());
      return 1;
    }
    dlclose(library);
  }
  printf("fds=%d,%d threads=%d,%d\n", fds, Count("/proc/self/fd"), threads,
         Count("/proc/self/task"));
  return 0;
}
