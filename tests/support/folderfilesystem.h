#pragma once

#include "platform/localfilesystem.h"

#include <QString>
#include <utility>

// The real file system, with the program folder moved to where a test has laid out its files.
class FolderFileSystem : public LocalFileSystem
{
public:
    explicit FolderFileSystem(QString folder) : m_folder(std::move(folder)) {}
    QString programFolder() const override { return m_folder; }

private:
    QString m_folder;
};
