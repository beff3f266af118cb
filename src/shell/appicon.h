#pragma once

#include <QIcon>

// The program's own icon, all four of its images; raises Failure when it cannot be read.
QIcon applicationIcon();
