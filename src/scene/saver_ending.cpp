#include "scene/saver_ending.h"

#include "components/ddani.h"
#include "components/ddbmp.h"
#include "components/ddmain.h"

namespace velmo {
namespace {

void FreeSprite(Component& owner, auto*& sprite) {
  if (!sprite) return;
  auto* doomed = sprite;
  sprite = nullptr;  // cleared first: a handler running inside the free sees it gone
  owner.FreeChild(doomed);
}

}  // namespace

void ReleaseSceneComponents(Component& owner, TSceneParts& parts) {
  FreeSprite(owner, parts.DDbmp1ground);
  FreeSprite(owner, parts.DDani1sea);
  FreeSprite(owner, parts.DDbmp1stone);
  FreeSprite(owner, parts.DDani1bird);
  FreeSprite(owner, parts.DDani1birds_small);
  parts.DDmain1->SetEnabled(false);
}

void GiveBackDesktop(Platform& platform, bool hosted) {
  platform.sound.Stop();
  if (!hosted) platform.system.SetScreenSaverRunning(false);
}

}  // namespace velmo
