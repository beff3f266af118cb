#include "eventloopend.h"

#include <QCoreApplication>

void EventLoopEnd::endProgram()
{
    QCoreApplication::exit(0);
}
