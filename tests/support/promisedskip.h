#pragma once

#include <QTest>

// A skip for want of something the test command installs (the fonts): there, where everything
// is promised to be tested, it fails instead of passing unseen.
#define SKIP_UNLESS_PROMISED(reason)                                                               \
    do {                                                                                           \
        if (qEnvironmentVariableIsSet("SPAN_FULL_TEST"))                                           \
            QFAIL(reason);                                                                         \
        QSKIP(reason);                                                                             \
    } while (false)
