#pragma once

#include <QByteArray>
#include <QCursor>
#include <QImage>
#include <QPoint>
#include <QString>

// A cursor's picture and the pixel within it that does the pointing.
struct CursorImage
{
    QImage image;
    QPoint hotSpot;
};

// Decodes cursor file bytes; raises Failure when they are not a well-formed cursor. Of several
// images the first is used: the others are alternative sizes of the same cursor.
CursorImage decodeCursorFile(const QByteArray& bytes);
// Reads and decodes the file at path; raises Failure for a folder, an unreadable, empty or
// oversized (over 1 MiB) file.
CursorImage loadCursorFile(const QString& path);
QCursor toCursor(const CursorImage& cursor);
