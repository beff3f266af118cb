#pragma once

#include "platform/platform.h"

// Ends the program by leaving Qt's event loop.
class EventLoopEnd : public ProgramEnd
{
public:
    void endProgram() override;
};
