/* Preloaded into tqcam by its tests: a disk that fills up after
 * TQCAM_TEST_DISK_BYTES bytes of output (files named ".*.tqcam-*" and
 * "*.ser"): the write that crosses the limit is cut short, the next fails
 * with ENOSPC. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

ssize_t write(int fd, const void* data, size_t size) {
  static ssize_t (*real_write)(int, const void*, size_t);
  static long long space = -1;
  if (real_write == NULL)
    real_write = (ssize_t(*)(int, const void*, size_t))dlsym(RTLD_NEXT, "write");
  if (space < 0)
    space = atoll(getenv("TQCAM_TEST_DISK_BYTES") ? getenv("TQCAM_TEST_DISK_BYTES") : "0");
  char link[64], path[4096] = "";
  snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  const ssize_t length = readlink(link, path, sizeof path - 1);
  if (length <= 0 ||
      (strstr(path, ".tqcam-") == NULL && (length < 4 || strcmp(path + length - 4, ".ser") != 0)))
    return real_write(fd, data, size);
  if (space == 0) {
    errno = ENOSPC;
    return -1;
  }
  const ssize_t n = real_write(fd, data, (long long)size > space ? (size_t)space : size);
  if (n > 0) space -= n;
  return n;
}
