#include "inputmethodkeys.h"

#ifdef Q_OS_WIN
#include <qt_windows.h>

namespace {

HHOOK hook = nullptr;

// The key that types `character` on the thread's keyboard layout without Ctrl or Alt, if any.
UINT keyTyping(wchar_t character)
{
    const SHORT found = VkKeyScanW(character);
    if (found == -1 || (HIBYTE(found) & ~1) != 0)
        return 0;
    return LOBYTE(found);
}

// The character an unnamed key press carries, as Windows translates it.
wchar_t characterOf(const MSG& message)
{
    BYTE state[256];
    wchar_t typed[4] = {};
    if (!GetKeyboardState(state))
        return 0;
    const UINT scanCode = (message.lParam >> 16) & 0xFF;
    // The flag 4 leaves the keyboard's dead-key state as it was (Windows 10 1607 and later).
    const int count = ToUnicode(VK_NONAME, scanCode, state, typed, 4, 4);
    return count == 1 ? typed[0] : 0;
}

// Each message the thread takes from its queue passes here first; Windows lets the hook change it.
LRESULT CALLBACK nameUnnamedKey(int code, WPARAM removed, LPARAM data)
{
    auto* message = reinterpret_cast<MSG*>(data);
    if (code == HC_ACTION && removed == PM_REMOVE && message->message == WM_KEYDOWN &&
        message->wParam == VK_NONAME) {
        if (const UINT key = keyTyping(characterOf(*message)); key != 0) {
            const UINT scanCode = MapVirtualKeyW(key, MAPVK_VK_TO_VSC);
            message->wParam = key;
            message->lParam = (message->lParam & ~(0xFFL << 16)) | LPARAM(scanCode & 0xFF) << 16;
        }
    }
    return CallNextHookEx(hook, code, removed, data);
}

} // namespace

InputMethodKeys::InputMethodKeys()
{
    hook = SetWindowsHookExW(WH_GETMESSAGE, nameUnnamedKey, nullptr, GetCurrentThreadId());
}

InputMethodKeys::~InputMethodKeys()
{
    if (hook)
        UnhookWindowsHookEx(hook);
    hook = nullptr;
}

#else

InputMethodKeys::InputMethodKeys() = default;
InputMethodKeys::~InputMethodKeys() = default;

#endif
