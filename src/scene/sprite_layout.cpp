#include "scene/sprite_layout.h"

#include <algorithm>
#include <malloc.h>
#include <string>

#include "components/ddani.h"
#include "components/ddbmp.h"
#include "components/ddmain.h"
#include "components/dxclock.h"
#include "components/screen_scale.h"
#include "resources/catalogue.h"
#include "scene/picture_frame.h"
#include "scene/scene_layout.h"
#include "scene/settings_fit.h"

namespace velmo {

void LayOutSprites(TSceneParts& parts, TSaverSettings& settings, const TClockPlace& placed, const bool& ended) {
  // Every sprite takes its surfaces from the open display at its size.
  const int32_t W = parts.DDmain1->GetWidth();
  const int32_t H = parts.DDmain1->GetHeight();

  // The sky, the sea and the rocks at the screen's proportions (see picture_frame.h).
  LayOutScenery(*parts.DDbmp1ground, *parts.DDani1sea, *parts.DDbmp1stone, W, H);
  if (ended) return;

  FitClockTo(settings, placed, W, H);
  parts.DXClock1->SetXcenter(settings.clockX);
  parts.DXClock1->SetYcenter(settings.clockY);
  parts.DXClock1->SetRadius(settings.clockRad);

  // On large screens the gulls grow by the screen's whole-number scale, in
  // strips drawn at that size (the largest drawn, enlarged, beyond it).
  const int32_t scale = ScaleOfScreen(W, H);
  const int32_t drawn = std::min(scale, 4);
  const std::string suffix = drawn == 1 ? "" : "_x" + std::to_string(drawn);
  TDDani& bird = *parts.DDani1bird;
  LoadBitmapInto("DDani1bird" + suffix, bird);
  bird.SetYOffsetFrame(11 * drawn);
  bird.SetStretching(true);
  bird.SetStretchWidth(30 * scale);
  bird.SetStretchHeight(11 * scale);
  bird.CreateSurface();
  if (ended) return;  // the large gull's handler has ended the saver
  bird.SetTransparency(true);
  if (ended) return;

  TDDani& small = *parts.DDani1birds_small;
  LoadBitmapInto("DDani1birds_small" + suffix, small);
  small.SetYOffsetFrame(drawn == 1 ? 11 : 5 * drawn);
  small.SetStretching(true);
  small.SetStretchWidth(15 * scale);
  small.SetStretchHeight(5 * scale);
  small.CreateSurface();
  small.SetTransparency(true);
  GiveBackStartUpMemory();
}

void GiveBackStartUpMemory() {
  // The decoded pictures and the decoders' buffers are freed by now, but the
  // allocator keeps their pages, and the compressed pictures' pages stay
  // mapped; a saver runs for hours, so both go back to the system.
  malloc_trim(0);
  for (const char* picture : {"Image1ground", "Image1sea"}) {
    if (const resources::Resource* r = resources::Find(picture, resources::kTypeJpeg)) resources::DropPages(*r);
  }
  if (const resources::Resource* r = resources::Find("DDbmp1stone", resources::kTypeBitmap)) resources::DropPages(*r);
}

}  // namespace velmo
