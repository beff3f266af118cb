#include "inputmethodkeys.h"

#include <QtGlobal>

#ifdef Q_OS_WIN
#include <qt_windows.h>

#include <bitset>
#include <imm.h>

namespace {

HHOOK hook = nullptr;
// The keys whose press this thread has taken from its queue, and not yet their release.
std::bitset<256> keysDown;

bool underWine()
{
    static const bool wine =
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
    return wine;
}

// The key that types `character` on the thread's keyboard layout without Ctrl or Alt, if any.
UINT keyTyping(wchar_t character)
{
    const SHORT found = VkKeyScanW(character);
    if (character == 0 || found == -1 || (HIBYTE(found) & ~1) != 0)
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

// An X input method took the press and handed over its character on an unnamed key: the press
// is given the key's name and scan code back, so that its release pairs with it.
void nameUnnamedPress(MSG& message)
{
    if (const UINT key = keyTyping(characterOf(message)); key != 0) {
        const UINT scanCode = MapVirtualKeyW(key, MAPVK_VK_TO_VSC);
        message.wParam = key;
        message.lParam = (message.lParam & ~(LPARAM(0xFF) << 16)) | LPARAM(scanCode & 0xFF) << 16;
    }
}

// Wine drops the character of a press an X input method took when the window has no input
// context, as a window whose focus takes no typing has: only the release arrives. It becomes the
// press, and the release follows it.
bool pressOfLoneRelease(MSG& message)
{
    const UINT key = UINT(message.wParam);
    if (!underWine() || key >= 256 || keysDown.test(key) ||
        MapVirtualKeyW(key, MAPVK_VK_TO_CHAR) == 0)
        return false;
    const HIMC context = ImmGetContext(message.hwnd);
    ImmReleaseContext(message.hwnd, context);
    if (context != nullptr)
        return false;
    PostMessageW(message.hwnd, WM_KEYUP, message.wParam, message.lParam);
    message.message = WM_KEYDOWN;
    message.lParam &= ~(LPARAM(3) << 30); // the key was up, and goes down
    return true;
}

void followKeys(MSG& message)
{
    switch (message.message) {
    case WM_KEYDOWN:
        if (message.wParam == VK_NONAME)
            nameUnnamedPress(message);
        break;
    case WM_KEYUP:
        pressOfLoneRelease(message);
        break;
    default:
        return;
    }
    if (message.wParam < 256)
        keysDown.set(message.wParam, message.message == WM_KEYDOWN);
}

// Each message the thread takes from its queue passes here first; Windows lets the hook change it.
LRESULT CALLBACK followKeysHook(int code, WPARAM removed, LPARAM data)
{
    if (code == HC_ACTION && removed == PM_REMOVE)
        followKeys(*reinterpret_cast<MSG*>(data));
    return CallNextHookEx(hook, code, removed, data);
}

} // namespace

InputMethodKeys::InputMethodKeys()
{
    hook = SetWindowsHookExW(WH_GETMESSAGE, followKeysHook, nullptr, GetCurrentThreadId());
}

InputMethodKeys::~InputMethodKeys()
{
    if (hook)
        UnhookWindowsHookEx(hook);
    hook = nullptr;
    keysDown.reset();
}

#else

InputMethodKeys::InputMethodKeys() = default;
InputMethodKeys::~InputMethodKeys() = default;

#endif
