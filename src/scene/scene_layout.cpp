#include "scene/scene_layout.h"

#include <cstdio>
#include <utility>

#include "components/ddani.h"
#include "components/ddbmp.h"
#include "components/ddgamma.h"
#include "components/ddmain.h"
#include "components/ddtimer.h"
#include "components/dxclock.h"
#include "components/setreg.h"
#include "platform/picture_codec.h"
#include "resources/catalogue.h"

namespace velmo {
namespace {

template <typename T, typename... Args>
T* Make(Component& owner, const char* name, Args&&... args) {
  auto* c = new T(&owner, std::forward<Args>(args)...);
  c->SetName(name);
  return c;
}

}  // namespace

void LoadBitmapInto(std::string_view name, TDDsprite& sprite) {
  const resources::Resource* res = resources::Find(name, "BITMAP");
  std::string error;
  if (!res || !DecodeBmp(res->data, sprite.GetBitmap(), &error))
    std::fprintf(stderr, "velmo: picture %.*s cannot be read: %s\n", static_cast<int>(name.size()), name.data(),
                 res ? error.c_str() : "missing");
}

void LoadPictureInto(std::string_view picture, TDDsprite& sprite) {
  const resources::Resource* res = resources::Find(picture, "JPEG");
  std::string error;
  if (!res || !DecodeJpeg(res->data, sprite.GetBitmap(), &error))
    std::fprintf(stderr, "velmo: picture %.*s cannot be read: %s\n", static_cast<int>(picture.size()),
                 picture.data(), res ? error.c_str() : "missing");
}

void BuildSceneLayout(Component& owner, TSceneParts& parts, Platform& platform, IWindow& window,
                      TSceneHandlers handlers) {
  parts.DDmain1 = Make<TDDmain>(owner, "DDmain1", platform.display, platform.timer);
  parts.DDmain1->SetOwnerWindow(&window);
  // The layout's stored size (width 600, height 800, as it was saved) never
  // reaches the screen: start-up sets the mode from the settings first.
  parts.DDmain1->SetWidth(600);
  parts.DDmain1->SetHeight(800);
  parts.DDmain1->SetColorDepth(32);
  parts.DDmain1->OnError = std::move(handlers.displayError);

  parts.DDbmp1ground = Make<TDDbmp>(owner, "DDbmp1ground");
  parts.DDbmp1stone = Make<TDDbmp>(owner, "DDbmp1stone");
  LoadBitmapInto("DDbmp1stone", *parts.DDbmp1stone);
  parts.DDani1sea = Make<TDDani>(owner, "DDani1sea");
  parts.DDani1bird = Make<TDDani>(owner, "DDani1bird");
  LoadBitmapInto("DDani1bird", *parts.DDani1bird);
  parts.DDani1bird->OnError = std::move(handlers.largeGullError);
  parts.DDani1birds_small = Make<TDDani>(owner, "DDani1birds_small");
  LoadBitmapInto("DDani1birds_small", *parts.DDani1birds_small);
  for (TDDsprite* sprite : {static_cast<TDDsprite*>(parts.DDbmp1ground), static_cast<TDDsprite*>(parts.DDbmp1stone),
                            static_cast<TDDsprite*>(parts.DDani1sea), static_cast<TDDsprite*>(parts.DDani1bird),
                            static_cast<TDDsprite*>(parts.DDani1birds_small)})
    sprite->DDmainModule = parts.DDmain1;

  parts.DXClock1 = Make<TDXClock>(owner, "DXClock1");
  parts.DXClock1->DDmainModule = parts.DDmain1;
  parts.DXClock1->SetColor(4227327);

  parts.DDtimer1 = Make<TDDtimer>(owner, "DDtimer1", platform.timer);
  parts.DDtimer1->SetInterval(50);
  parts.DDtimer1->OnTimer = std::move(handlers.tick);
  parts.DDtimer1->OnZasTime = std::move(handlers.stall);

  parts.DDgamma1 = Make<TDDgamma>(owner, "DDgamma1");
  parts.DDgamma1->DDmainModule = parts.DDmain1;

  parts.SetReg1 = Make<TSetReg>(owner, "SetReg1", platform.registry);
  parts.SetReg1->SetCompanyName("Corvane");
  parts.SetReg1->SetProductName("Velmo20");
}

}  // namespace velmo
