#pragma once

#include "platform/platform.h"

// Opens a web address in the desktop's browser.
class DesktopUrlOpener : public UrlOpener
{
public:
    void open(const QString& address) override;
};
