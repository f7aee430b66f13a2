// Whether a window can be shown: the graphical platforms that need a display
// server find one. Qt would abort the program without it, so the programs
// with windows ask first and say so themselves.
#pragma once

#include "platform/Export.h"

namespace plat {

// From the environment only: QT_QPA_PLATFORM (empty: X11 or Wayland),
// DISPLAY and WAYLAND_DISPLAY. Platforms that need no display server
// (offscreen, vnc, eglfs...) are available.
PLAT_API bool displayAvailable();

}  // namespace plat
