#pragma once

#include <QByteArray>
#include <QtEndian>

// Little-endian writing for building binary files (cursor files) inside tests.

inline void append16(QByteArray& out, quint16 value)
{
    out.append(char(value & 0xff)).append(char(value >> 8));
}

inline void append32(QByteArray& out, quint32 value)
{
    append16(out, quint16(value & 0xffff));
    append16(out, quint16(value >> 16));
}

// A copy of the bytes with one field overwritten.
inline QByteArray with16(QByteArray bytes, int at, quint16 value)
{
    qToLittleEndian(value, bytes.data() + at);
    return bytes;
}

inline QByteArray with32(QByteArray bytes, int at, quint32 value)
{
    qToLittleEndian(value, bytes.data() + at);
    return bytes;
}
