#pragma once
// The cameras of the bus as INDI devices, and the library's events pumped on
// the driver thread (the thread that opened the cameras).
#include <memory>
#include <vector>

namespace tqindi {

class TqusbCcd;

// Lists the free cameras once (first call) and makes one device for each.
std::vector<std::unique_ptr<TqusbCcd>>& Devices();

// Adds devices for cameras that came onto the bus since the last listing.
void FindNewCameras();

// The queue that receives the library's connected / not-connected messages.
void* NotifyWindow();

}  // namespace tqindi
