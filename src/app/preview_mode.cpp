#include "app/preview_mode.h"

#include <stdexcept>

#include "app/convert.h"
#include "platform/bitmap.h"
#include "platform/picture_codec.h"
#include "resources/catalogue.h"

namespace velmo {

void RunPreview(const std::string& windowArg, IForeignWindows& windows) {
  const auto window = static_cast<WindowId>(static_cast<uint32_t>(StrToInt(windowArg)));
  while (!windows.IsWindowVisible(window)) {
    if (!windows.IsWindow(window)) throw std::runtime_error("Window " + windowArg + " does not exist.");
    windows.ProcessMessages();
  }
  const resources::Resource* res = resources::Find("PREV_BITMAP", "BITMAP");
  Bitmap picture;
  std::string error;
  if (!res || !DecodeBmp(res->data, picture, &error))
    throw std::runtime_error("The preview picture cannot be read: " + (res ? error : std::string("missing")));
  IDeviceContext* dc = windows.GetDC(window);
  if (!dc) throw std::runtime_error("Cannot draw into window " + windowArg + ".");
  dc->Draw(0, 0, picture);
  windows.ReleaseDC(window, dc);
}

}  // namespace velmo
