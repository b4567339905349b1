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
#include "scene/form1.h"
#include "scene/picture_frame.h"
#include "scene/scene_layout.h"
#include "scene/settings_fit.h"

namespace velmo {

void LayOutSprites(TForm1& scene) {
  // Every sprite takes its surfaces from the open display at its size.
  const int32_t W = scene.DDmain1->GetWidth();
  const int32_t H = scene.DDmain1->GetHeight();

  // The sky, the sea and the rocks at the screen's proportions (see picture_frame.h).
  LayOutScenery(*scene.DDbmp1ground, *scene.DDani1sea, *scene.DDbmp1stone, W, H);
  if (scene.FEnded) return;

  if (scene.FClockOfWindow) DefaultClockPlacement(W, H, scene.FPlacedClock.x, scene.FPlacedClock.y, scene.FPlacedClock.rad);
  FitClockTo(scene.Settings, scene.FPlacedClock, W, H);
  scene.DXClock1->SetXcenter(scene.Settings.clockX);
  scene.DXClock1->SetYcenter(scene.Settings.clockY);
  scene.DXClock1->SetRadius(scene.Settings.clockRad);

  // On large screens the gulls grow by the screen's whole-number scale, in
  // strips drawn at that size (the largest drawn, enlarged, beyond it).
  const int32_t scale = ScaleOfScreen(W, H);
  const int32_t drawn = std::min(scale, 4);
  const std::string suffix = drawn == 1 ? "" : "_x" + std::to_string(drawn);
  TDDani& bird = *scene.DDani1bird;
  LoadBitmapInto("DDani1bird" + suffix, bird);
  bird.SetYOffsetFrame(11 * drawn);
  bird.SetStretching(true);
  bird.SetStretchWidth(30 * scale);
  bird.SetStretchHeight(11 * scale);
  bird.CreateSurface();
  if (scene.FEnded) return;  // the large gull's handler has ended the saver
  bird.SetTransparency(true);
  if (scene.FEnded) return;

  TDDani& small = *scene.DDani1birds_small;
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
