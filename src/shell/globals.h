#pragma once

#include <QString>

// Program-wide state, one instance for the whole run.
struct Globals
{
    // While set, unloading a counter window ends the program.
    bool QuitOnClose = false;
    // The Start/Stop button's caption when counting last started; Stop puts it back.
    QString SavedStartCaption;
};
