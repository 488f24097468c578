/*
 * list_cameras: lists the cameras that are attached and free, with their
 * model text, sensor size and read modes.
 *
 * Copyright (c) 2026 the tqusb authors. MIT licence, see LICENSE.
 *
 *   cc list_cameras.c $(pkg-config --cflags --libs tqusb) -o list_cameras
 *   TQUSB_BUS_DIR=/path/to/bus ./list_cameras
 */
#include <stdio.h>
#include <stdlib.h>
#include <tqusb/tqusb.h>

#define MAX_CAMERAS 64

static uint32_t ids[MAX_CAMERAS];
static unsigned count;

/* Enumerate calls this once for every camera no process has opened. */
static void found(uint32_t id) {
  if (count < MAX_CAMERAS) ids[count++] = id;
}

/* Copies a text parameter into a terminated string; the library writes no
 * terminator when the text fills the buffer. */
static void text_parameter(TQCAMERA camera, uint32_t index, char* text, size_t size) {
  text[0] = '\0';
  if (GetStringParameter(camera, index, (uint32_t)(size - 1), text)) text[size - 1] = '\0';
}

static void print_camera(uint32_t id) {
  TQCAMERA camera = Initialize(id);
  bool connected = false;
  char model[16], error[129];
  uint32_t width = 0, height = 0, modes = 0, filters = 0, i;

  GetBooleanParameter(camera, TQ_BOOL_CONNECTED, &connected);
  if (!connected) {
    GetLastErrorString(camera, sizeof error - 1, error);
    error[sizeof error - 1] = '\0';
    printf("%u: cannot be opened (%s)\n", id, error[0] ? error : "gone or taken");
    Release(camera);
    return;
  }

  text_parameter(camera, TQ_STRING_MODEL_TEXT, model, sizeof model);
  GetIntegerParameter(camera, TQ_INT_WIDTH, &width);
  GetIntegerParameter(camera, TQ_INT_HEIGHT, &height);
  GetIntegerParameter(camera, TQ_INT_READ_MODES, &modes);
  GetIntegerParameter(camera, TQ_INT_FILTERS, &filters);
  printf("%u: %-15s %ux%u pixels, %u filter positions\n", id, model, width, height, filters);

  for (i = 0; i < modes; i++) {
    char name[64];
    if (EnumerateReadModes(camera, i, sizeof name - 1, name)) {
      name[sizeof name - 1] = '\0';
      printf("    read mode %u: %s\n", i, name);
    }
  }
  Release(camera);
}

int main(void) {
  unsigned i;

  Enumerate(found);
  if (count == 0) {
    fprintf(stderr, "no free camera found (is the bus root right? see TQUSB_BUS_DIR)\n");
    return 1;
  }
  for (i = 0; i < count; i++) print_camera(ids[i]);
  return 0;
}
