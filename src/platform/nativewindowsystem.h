#pragma once

// The window system the program is built for: X11 on Linux (Wayland and offscreen get the
// frame from Qt's widget there), Qt's alone elsewhere.
#ifdef SPAN_X11
#include "platform/x11windowsystem.h"
using NativeWindowSystem = X11WindowSystem;
#else
#include "platform/qtwindowsystem.h"
using NativeWindowSystem = QtWindowSystem;
#endif
