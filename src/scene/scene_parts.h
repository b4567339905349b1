#pragma once
// The components of a scene under their layout's names: what the scene's
// rooms work on. The scene window owns them (they are its children); at the
// end a sprite's place here is cleared before the sprite is freed, so a
// handler running inside the free finds it gone (null).
namespace velmo {

class TDDmain;
class TDDbmp;
class TDDani;
class TDXClock;
class TDDtimer;
class TDDgamma;
class TSetReg;

struct TSceneParts {
  TDDmain* DDmain1 = nullptr;
  TDDbmp* DDbmp1ground = nullptr;
  TDDbmp* DDbmp1stone = nullptr;
  TDDani* DDani1sea = nullptr;
  TDDani* DDani1bird = nullptr;
  TDDani* DDani1birds_small = nullptr;
  TDXClock* DXClock1 = nullptr;
  TDDtimer* DDtimer1 = nullptr;
  TDDgamma* DDgamma1 = nullptr;
  TSetReg* SetReg1 = nullptr;
};

}  // namespace velmo
