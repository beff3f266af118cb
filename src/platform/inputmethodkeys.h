#pragma once

// Under Wine an X input method may hand a key press over as a character on an unnamed key
// (VK_NONAME, no scan code); the X key's release still arrives under the key's own name. Qt pairs
// a release only with a press of the same key, so a button would be pressed by Space and never
// let go. While an InputMethodKeys lives, such a press is given back the key that types its
// character on the keyboard layout, when there is one. Elsewhere it does nothing: Windows' own
// keyboard layouts name every key they press.
class InputMethodKeys
{
public:
    InputMethodKeys();
    ~InputMethodKeys();
    InputMethodKeys(const InputMethodKeys&) = delete;
    InputMethodKeys& operator=(const InputMethodKeys&) = delete;
};
