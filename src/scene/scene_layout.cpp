#include "scene/scene_layout.h"

#include <cstdio>

#include "components/ddani.h"
#include "components/ddbmp.h"
#include "components/ddgamma.h"
#include "components/ddmain.h"
#include "components/ddtimer.h"
#include "components/dxclock.h"
#include "components/setreg.h"
#include "platform/picture_codec.h"
#include "resources/catalogue.h"
#include "scene/form1.h"

namespace velmo {
namespace {

template <typename T, typename... Args>
T* Make(TForm1& form, const char* name, Args&&... args) {
  auto* c = new T(&form, std::forward<Args>(args)...);
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

void BuildSceneLayout(TForm1& form, Platform& platform) {
  form.DDmain1 = Make<TDDmain>(form, "DDmain1", platform.display, platform.timer);
  form.DDmain1->SetOwnerWindow(&form.Window());
  form.DDmain1->SetWidth(600);
  form.DDmain1->SetHeight(800);
  form.DDmain1->SetColorDepth(32);
  form.DDmain1->OnError = [&form](Component* s) { form.DDmain1Error(s); };

  form.DDbmp1ground = Make<TDDbmp>(form, "DDbmp1ground");
  form.DDbmp1stone = Make<TDDbmp>(form, "DDbmp1stone");
  LoadBitmapInto("DDbmp1stone", *form.DDbmp1stone);
  form.DDani1sea = Make<TDDani>(form, "DDani1sea");
  form.DDani1bird = Make<TDDani>(form, "DDani1bird");
  LoadBitmapInto("DDani1bird", *form.DDani1bird);
  form.DDani1bird->OnError = [&form](Component* s) { form.DDani1birdError(s); };
  form.DDani1birds_small = Make<TDDani>(form, "DDani1birds_small");
  LoadBitmapInto("DDani1birds_small", *form.DDani1birds_small);
  for (TDDsprite* sprite : {static_cast<TDDsprite*>(form.DDbmp1ground), static_cast<TDDsprite*>(form.DDbmp1stone),
                            static_cast<TDDsprite*>(form.DDani1sea), static_cast<TDDsprite*>(form.DDani1bird),
                            static_cast<TDDsprite*>(form.DDani1birds_small)})
    sprite->DDmainModule = form.DDmain1;

  form.DXClock1 = Make<TDXClock>(form, "DXClock1");
  form.DXClock1->DDmainModule = form.DDmain1;
  form.DXClock1->SetColor(4227327);

  form.DDtimer1 = Make<TDDtimer>(form, "DDtimer1", platform.timer);
  form.DDtimer1->SetInterval(50);
  form.DDtimer1->OnTimer = [&form](Component* s) { form.DDtimer1Timer(s); };
  form.DDtimer1->OnZasTime = [&form](Component* s) { form.DDtimer1ZasTime(s); };

  form.DDgamma1 = Make<TDDgamma>(form, "DDgamma1");
  form.DDgamma1->DDmainModule = form.DDmain1;

  form.SetReg1 = Make<TSetReg>(form, "SetReg1", platform.registry);
  form.SetReg1->SetCompanyName("Corvane");
  form.SetReg1->SetProductName("Velmo20");
}

}  // namespace velmo
