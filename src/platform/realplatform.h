#pragma once

#include "platform/desktopurlopener.h"
#include "platform/eventloopend.h"
#include "platform/inputmethodkeys.h"
#include "platform/localfilesystem.h"
#include "platform/nativewindowsystem.h"
#include "platform/platform.h"
#include "platform/skinengine.h"
#include "platform/standardrandom.h"
#include "platform/systemclock.h"
#include "platform/warningmessagebox.h"
#include "platform/windowclasskeeper.h"
#include "platform/windowhandletable.h"

// The real services, on Qt and the standard library, owned together: the one place the program's
// Platform is made.
class RealPlatform
{
public:
    RealPlatform() : m_skinEngine(m_windowHandles) {}
    Platform platform()
    {
        return {m_clock,      m_messageBox,    m_urlOpener, m_random,      m_fileSystem,
                m_skinEngine, m_windowHandles, m_end,       m_windowSystem};
    }

private:
    SystemClock m_clock;
    WarningMessageBox m_messageBox;
    DesktopUrlOpener m_urlOpener;
    StandardRandom m_random;
    LocalFileSystem m_fileSystem;
    WindowHandleTable m_windowHandles;
    StyleSheetSkinEngine m_skinEngine;
    EventLoopEnd m_end;
    NativeWindowSystem m_windowSystem;
    WindowClassKeeper m_windowClassKeeper{m_windowSystem};
    InputMethodKeys m_inputMethodKeys;
};
