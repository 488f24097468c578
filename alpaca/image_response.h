#pragma once
// Answers imagearray: ImageBytes when the client accepts
// application/imagebytes, else JSON; both streamed from one buffer.
#include <memory>

#include "device.h"
#include "image.h"

namespace tqalpaca {

// image null: no image is ready; failure is why the last exposure ended in
// the error state (empty when it did not).
void AnswerImage(std::shared_ptr<const Image> image, const std::string& failure, Call& call);

}  // namespace tqalpaca
