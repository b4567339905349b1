// The picture decoders: any bytes are decoded or refused with a message,
// nothing is read outside the input, and an accepted picture is no larger
// than its data can hold.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "platform/bitmap.h"
#include "platform/picture_codec.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

void CheckResult(bool decoded, const velmo::Bitmap& picture, const std::string& error, size_t size) {
  if (!decoded) {
    Check(!error.empty() && picture.Empty());
    return;
  }
  Check(!picture.Empty() && picture.Width() <= 32768 && picture.Height() <= 32768);
  Check(static_cast<size_t>(picture.Width()) * picture.Height() <= size * 1024);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> bytes(data, size);
  velmo::Bitmap bmp, jpeg;
  std::string bmpError, jpegError;
  CheckResult(velmo::DecodeBmp(bytes, bmp, &bmpError), bmp, bmpError, size);
  velmo::BmpCompression(bytes);
  CheckResult(velmo::DecodeJpeg(bytes, jpeg, &jpegError), jpeg, jpegError, size);
  return 0;
}
