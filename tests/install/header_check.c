/* Compiled alone by the header tests: the public header must stand on its
 * own in strict C and C++. */
#include <tqusb/tqusb.h>

unsigned header_check(void);
unsigned header_check(void) {
  return TQ_MSG_CAMERA_CONNECTED + TQ_VALUE_SENSOR_TEMPERATURE + TQUSB_VERSION_MAJOR;
}
