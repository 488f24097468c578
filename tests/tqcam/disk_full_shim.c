/* Preloaded into tqcam by its tests: a disk that fills up after
 * TQCAM_TEST_DISK_BYTES bytes of output (files named ".*.tqcam-*"): the write
 * that crosses the limit is cut short, the next fails with ENOSPC. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static long long space = -1;

static int IsOutputFile(int fd) {
  char link[64], path[4096];
  snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  const ssize_t n = readlink(link, path, sizeof path - 1);
  if (n <= 0) return 0;
  path[n] = '\0';
  return strstr(path, ".tqcam-") != NULL;
}

ssize_t write(int fd, const void* data, size_t size) {
  static ssize_t (*real_write)(int, const void*, size_t);
  if (real_write == NULL)
    real_write = (ssize_t(*)(int, const void*, size_t))dlsym(RTLD_NEXT, "write");
  if (space < 0) {
    const char* limit = getenv("TQCAM_TEST_DISK_BYTES");
    space = limit ? atoll(limit) : (long long)1 << 62;
  }
  if (!IsOutputFile(fd)) return real_write(fd, data, size);
  if (space == 0) {
    errno = ENOSPC;
    return -1;
  }
  if ((long long)size > space) size = (size_t)space;
  const ssize_t n = real_write(fd, data, size);
  if (n > 0) space -= n;
  return n;
}
