#include "app/window_events.h"

#include "base/form.h"
#include "platform/runtime.h"
#include "skin/skin_loader.h"

void onWindowCreated() {
  runtime().setTimerPeriod(onlineCountClockName, 5000);
  loadBuiltinSkin(20);
  adjustAero(100, 0, 0, 0, 0, 0, 0);
  enableAero();
  runtime().setTimerPeriod(versionClockName, 3000);
}

void onWindowResized() { runtime().setEditorSize(runtime().clientWidth(), runtime().clientHeight()); }
