// indi_tqusb_ccd: the INDI driver entry points. indiserver runs one process;
// every call is passed to the camera devices it names.
#include <indidevapi.h>

#include <cstring>

#include "camera_bus.h"
#include "tqusb_ccd.h"

namespace {

bool Names(const char* dev, tqindi::TqusbCcd& ccd) {
  return dev == nullptr || std::strcmp(dev, ccd.getDeviceName()) == 0;
}

}  // namespace

// A client asking for every device (a new client, a new server connection)
// also sees cameras plugged in after the driver started.
void ISGetProperties(const char* dev) {
  if (dev == nullptr) tqindi::FindNewCameras();
  for (auto& ccd : tqindi::Devices())
    if (Names(dev, *ccd)) ccd->ISGetProperties(dev);
}

void ISNewSwitch(const char* dev, const char* name, ISState* states, char* names[], int n) {
  for (auto& ccd : tqindi::Devices())
    if (Names(dev, *ccd)) ccd->ISNewSwitch(dev, name, states, names, n);
}

void ISNewText(const char* dev, const char* name, char* texts[], char* names[], int n) {
  for (auto& ccd : tqindi::Devices())
    if (Names(dev, *ccd)) ccd->ISNewText(dev, name, texts, names, n);
}

void ISNewNumber(const char* dev, const char* name, double values[], char* names[], int n) {
  for (auto& ccd : tqindi::Devices())
    if (Names(dev, *ccd)) ccd->ISNewNumber(dev, name, values, names, n);
}

void ISNewBLOB(const char* dev, const char* name, int sizes[], int blobsizes[], char* blobs[],
               char* formats[], char* names[], int n) {
  for (auto& ccd : tqindi::Devices())
    if (Names(dev, *ccd)) ccd->ISNewBLOB(dev, name, sizes, blobsizes, blobs, formats, names, n);
}

void ISSnoopDevice(XMLEle* root) {
  for (auto& ccd : tqindi::Devices()) ccd->ISSnoopDevice(root);
}
