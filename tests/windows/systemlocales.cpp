// The locales the Windows system (or Wine) offers, for the Windows suite's table of locales:
//   system-locales          one name per line (en-US, th-TH, sr-Latn-RS, ...)
//   system-locales --user   the user's own locale, as this process was started with it
#include <windows.h>

#include <cstdio>
#include <cwchar>

namespace {

BOOL CALLBACK printName(LPWSTR name, DWORD, LPARAM)
{
    if (*name != L'\0') // the invariant locale has no name
        std::wprintf(L"%ls\n", name);
    return TRUE;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc > 1 && std::wcscmp(argv[1], L"--user") == 0) {
        wchar_t name[LOCALE_NAME_MAX_LENGTH];
        if (GetUserDefaultLocaleName(name, LOCALE_NAME_MAX_LENGTH) == 0)
            return 1;
        std::wprintf(L"%ls\n", name);
        return 0;
    }
    return EnumSystemLocalesEx(printName, LOCALE_WINDOWS, 0, nullptr) ? 0 : 1;
}
