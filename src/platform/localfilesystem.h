#pragma once

#include "platform/platform.h"

// The file system the program runs from.
class LocalFileSystem : public FileSystem
{
public:
    QString programFolder() const override;
    DateTime lastModified(const QString& path) const override;
    QString listNormalFile(const QString& path) const override;
};
