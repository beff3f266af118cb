#pragma once

#include "platform/platform.h"

// The error reports' box: Qt's message box, with a warning icon and one OK button.
class WarningMessageBox : public MessageBox
{
public:
    void showWarning(const QString& title, const QString& text) override;
};
