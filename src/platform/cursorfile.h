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

// Decodes cursor file bytes into an image wantedSize pixels wide; raises Failure when they are not
// a well-formed cursor. The images of a file are sizes of the same cursor: the one of the wanted
// width is used, or else the nearest (the larger of two as near), scaled with its hot spot.
CursorImage decodeCursorFile(const QByteArray& bytes, int wantedSize);
// Reads and decodes the file at path; raises Failure for a folder, an unreadable, empty or
// oversized (over 1 MiB) file.
CursorImage loadCursorFile(const QString& path, int wantedSize);
// The cursor that shows the image at its own size on a screen of the given scale.
QCursor toCursor(const CursorImage& cursor, qreal scale);
