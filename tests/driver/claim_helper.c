/*
 * A second host process for the end-to-end tests, written in C against the
 * public header and linked with the shared library.
 *
 *   tqusb_claim_helper enumerate      prints the id of every free camera
 *   tqusb_claim_helper open ID        opens the camera, prints "connected" or
 *                                     "not connected: <last error>", keeps it
 *                                     until standard input ends, releases it
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "tqusb/tqusb.h"

static void PrintId(uint32_t id) { printf("%u\n", id); }

int main(int argc, char** argv) {
  if (argc == 2 && strcmp(argv[1], "enumerate") == 0) {
    Enumerate(PrintId);
    printf("end\n");
    return 0;
  }
  if (argc == 3 && strcmp(argv[1], "open") == 0) {
    const uint32_t id = (uint32_t)strtoul(argv[2], NULL, 10);
    TQCAMERA camera = Initialize(id);
    /* Clearing the sensor needs the connection and no other setting. */
    if (ClearSensor(camera)) {
      printf("connected\n");
    } else {
      char text[129];
      GetLastErrorString(camera, sizeof text - 1, text);
      text[sizeof text - 1] = '\0';
      printf("not connected: %s\n", text);
    }
    fflush(stdout);
    while (getchar() != EOF) {
    }
    Release(camera);
    return 0;
  }
  fprintf(stderr, "usage: %s enumerate | open ID\n", argv[0]);
  return 2;
}
