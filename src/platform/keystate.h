#pragma once

#include <QtGlobal>
#include <optional>

// Whether the key of this scan code is held down now, as the X server has it; none elsewhere.
// X sends a held key's repeats as releases and presses, and Qt marks them as repeats only when it
// finds both queued together: the server's own state tells a release that is real.
std::optional<bool> keyIsDown(quint32 nativeScanCode);
