#pragma once

#include "platform/platform.h"

// Opens an address, a web page or a local file, in the desktop's browser.
class DesktopUrlOpener : public UrlOpener
{
public:
    void open(const QString& address) override;
};
