#include "cursorfile.h"

#include "base/failure.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QList>
#include <QPixmap>
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

constexpr qint64 maxFileSize = 1024 * 1024;
constexpr std::uint64_t headerSize = 6;
constexpr std::uint64_t entrySize = 16;
constexpr std::uint64_t dibHeaderSize = 40;
constexpr char pngSignature[] = "\x89PNG\r\n\x1a\n";

[[noreturn]] void malformed(const char* what)
{
    throw Failure(QStringLiteral("Invalid cursor file: ") + QLatin1String(what));
}

// Little-endian fields within one span of bytes. Every read is bounds-checked, so a layout
// mistake surfaces as a malformed file rather than a read past the end.
class Reader
{
public:
    Reader(const uchar* data, std::uint64_t size, const char* truncated)
        : m_data(data), m_size(size), m_truncated(truncated)
    {}
    std::uint64_t size() const { return m_size; }
    // 64-bit arithmetic: 32-bit offsets and sizes from the file cannot overflow it.
    bool holds(std::uint64_t at, std::uint64_t length) const
    {
        return at <= m_size && length <= m_size - at;
    }
    Reader span(std::uint64_t at, std::uint64_t length, const char* truncated) const
    {
        need(at, length);
        return Reader(m_data + at, length, truncated);
    }
    quint8 u8(std::uint64_t at) const
    {
        need(at, 1);
        return m_data[at];
    }
    quint16 u16(std::uint64_t at) const { return quint16(u8(at) | u8(at + 1) << 8); }
    quint32 u32(std::uint64_t at) const { return u16(at) | quint32(u16(at + 2)) << 16; }
    qint32 i32(std::uint64_t at) const { return qint32(u32(at)); }
    bool startsWith(const char* prefix, std::uint64_t length) const
    {
        return holds(0, length) && std::memcmp(m_data, prefix, length) == 0;
    }
    // A view, not a copy: valid only while the file's bytes are.
    QByteArray bytes() const
    {
        return QByteArray::fromRawData(reinterpret_cast<const char*>(m_data), qsizetype(m_size));
    }

private:
    void need(std::uint64_t at, std::uint64_t length) const
    {
        if (!holds(at, length))
            malformed(m_truncated);
    }
    const uchar* m_data;
    std::uint64_t m_size;
    const char* m_truncated;
};

struct Entry
{
    int width;
    int height;
    QPoint hotSpot;
    Reader data;
};

// Where the parts of a device-independent bitmap lie, measured from its header.
struct DibLayout
{
    int bitCount;
    std::uint64_t paletteAt;
    std::uint64_t paletteSize;
    std::uint64_t colourAt;
    std::uint64_t colourStride;
    std::uint64_t maskAt;
    std::uint64_t maskStride;
};

Entry readEntry(const Reader& file, std::uint64_t index, std::uint64_t directoryEnd)
{
    const std::uint64_t at = headerSize + index * entrySize;
    // A zero width or height byte stands for 256.
    const int width = file.u8(at) ? file.u8(at) : 256;
    const int height = file.u8(at + 1) ? file.u8(at + 1) : 256;
    const QPoint hotSpot(file.u16(at + 4), file.u16(at + 6));
    const quint32 size = file.u32(at + 8);
    const quint32 offset = file.u32(at + 12);
    if (size == 0)
        malformed("empty image");
    if (offset < directoryEnd)
        malformed("image data overlaps the directory");
    if (!file.holds(offset, size))
        malformed("image data runs past the end of the file");
    if (hotSpot.x() >= width || hotSpot.y() >= height)
        malformed("hot spot outside the image");
    return {width, height, hotSpot, file.span(offset, size, "truncated image data")};
}

bool isPng(const Entry& entry)
{
    return entry.data.startsWith(pngSignature, sizeof pngSignature - 1);
}

std::uint64_t rowStride(int width, int bitCount)
{
    return (std::uint64_t(width) * std::uint64_t(bitCount) + 31) / 32 * 4;
}

DibLayout readDibLayout(const Entry& entry)
{
    const Reader& dib = entry.data;
    if (!dib.holds(0, dibHeaderSize))
        malformed("truncated bitmap header");
    const quint32 headerLength = dib.u32(0);
    if (headerLength < dibHeaderSize)
        malformed("unsupported bitmap header");
    // The bitmap holds the colour image and the mask one above the other, hence twice the height.
    if (dib.i32(4) != entry.width || dib.i32(8) != 2 * entry.height)
        malformed("bitmap size differs from its directory entry");
    const int bitCount = dib.u16(14);
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24 && bitCount != 32)
        malformed("unsupported colour depth");
    if (dib.u32(16) != 0)
        malformed("compressed bitmaps are not supported");
    const quint32 coloursUsed = dib.u32(32);
    const std::uint64_t fullPalette = bitCount <= 8 ? 1u << bitCount : 0;
    if (bitCount <= 8 && coloursUsed > fullPalette)
        malformed("palette too large");

    DibLayout layout{};
    layout.bitCount = bitCount;
    layout.paletteAt = headerLength;
    layout.paletteSize = coloursUsed ? coloursUsed : fullPalette;
    layout.colourAt = layout.paletteAt + 4 * layout.paletteSize;
    layout.colourStride = rowStride(entry.width, bitCount);
    layout.maskAt = layout.colourAt + layout.colourStride * std::uint64_t(entry.height);
    layout.maskStride = rowStride(entry.width, 1);
    if (!dib.holds(0, layout.maskAt + layout.maskStride * std::uint64_t(entry.height)))
        malformed("bitmap larger than its directory entry");
    return layout;
}

// Colour of one pixel; only 32-bit pixels carry alpha, all others come out with alpha 0.
QRgb dibColour(const Reader& dib, const DibLayout& layout, int x, int row)
{
    const std::uint64_t rowAt = layout.colourAt + std::uint64_t(row) * layout.colourStride;
    std::uint64_t at = 0;
    if (layout.bitCount >= 24) {
        at = rowAt + std::uint64_t(x) * std::uint64_t(layout.bitCount / 8);
    } else {
        const int bit = x * layout.bitCount;
        const int shift = 8 - layout.bitCount - bit % 8;
        const unsigned index = (dib.u8(rowAt + bit / 8) >> shift) & ((1u << layout.bitCount) - 1);
        if (index >= layout.paletteSize)
            malformed("colour index outside the palette");
        at = layout.paletteAt + 4 * std::uint64_t(index);
    }
    const int alpha = layout.bitCount == 32 ? dib.u8(at + 3) : 0;
    return qRgba(dib.u8(at + 2), dib.u8(at + 1), dib.u8(at), alpha);
}

bool dibMasked(const Reader& dib, const DibLayout& layout, int x, int row)
{
    const std::uint64_t at = layout.maskAt + std::uint64_t(row) * layout.maskStride + x / 8;
    return (dib.u8(at) >> (7 - x % 8)) & 1;
}

QImage decodeDib(const Entry& entry)
{
    const DibLayout layout = readDibLayout(entry);
    QImage image(entry.width, entry.height, QImage::Format_ARGB32);
    bool hasAlpha = false;
    for (int y = 0; y < entry.height; ++y) {
        const int row = entry.height - 1 - y; // rows are stored bottom-up
        for (int x = 0; x < entry.width; ++x) {
            const QRgb colour = dibColour(entry.data, layout, x, row);
            hasAlpha = hasAlpha || qAlpha(colour) != 0;
            image.setPixel(x, y, colour);
        }
    }
    // An image with an alpha channel says its own transparency; otherwise the mask does.
    if (hasAlpha)
        return image;
    for (int y = 0; y < entry.height; ++y) {
        for (int x = 0; x < entry.width; ++x) {
            const bool masked = dibMasked(entry.data, layout, x, entry.height - 1 - y);
            image.setPixel(x, y, masked ? qRgba(0, 0, 0, 0) : image.pixel(x, y) | 0xff000000u);
        }
    }
    return image;
}

QImage decodePng(const Entry& entry)
{
    QByteArray bytes = entry.data.bytes();
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "png");
    if (!reader.canRead())
        malformed("unreadable PNG image");
    // Checked before reading, so a PNG claiming a huge size is never allocated.
    const QSize expected(entry.width, entry.height);
    if (reader.size() != expected)
        malformed("PNG image size differs from its directory entry");
    const QImage image = reader.read();
    if (image.isNull() || image.size() != expected)
        malformed("unreadable PNG image");
    return image.convertToFormat(QImage::Format_ARGB32);
}

// The image of the wanted width, or the nearest; of two as near the larger, which scales down
// more cleanly than the smaller scales up.
const Entry& nearestInSize(const QList<Entry>& entries, int wantedSize)
{
    const auto distance = [wantedSize](const Entry& entry) {
        return std::abs(entry.width - wantedSize);
    };
    const Entry* nearest = &entries.first();
    for (const Entry& entry : entries)
        if (distance(entry) < distance(*nearest) ||
            (distance(entry) == distance(*nearest) && entry.width > nearest->width))
            nearest = &entry;
    return *nearest;
}

CursorImage scaledTo(const CursorImage& cursor, int wantedSize)
{
    const int width = cursor.image.width();
    if (width == wantedSize || wantedSize <= 0)
        return cursor;
    const auto scale = [&](int length) { return int(std::int64_t(length) * wantedSize / width); };
    const QImage image = cursor.image.scaled(wantedSize, std::max(1, scale(cursor.image.height())),
                                             Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const QPoint hotSpot(std::min(scale(cursor.hotSpot.x()), image.width() - 1),
                         std::min(scale(cursor.hotSpot.y()), image.height() - 1));
    return {image, hotSpot};
}

} // namespace

CursorImage decodeCursorFile(const QByteArray& bytes, int wantedSize)
{
    const Reader file(reinterpret_cast<const uchar*>(bytes.constData()),
                      std::uint64_t(bytes.size()), "truncated header");
    if (!file.holds(0, headerSize))
        malformed("truncated header");
    if (file.u16(0) != 0)
        malformed("reserved field is not zero");
    if (file.u16(2) == 1)
        malformed("this is an icon, not a cursor");
    if (file.u16(2) != 2)
        malformed("not a cursor");
    const std::uint64_t count = file.u16(4);
    if (count == 0)
        malformed("no images");
    const std::uint64_t directoryEnd = headerSize + count * entrySize;
    if (!file.holds(0, directoryEnd))
        malformed("truncated image directory");

    QList<Entry> entries;
    for (std::uint64_t i = 0; i < count; ++i) {
        entries.append(readEntry(file, i, directoryEnd));
        if (!isPng(entries.last()))
            readDibLayout(entries.last());
    }
    const Entry& chosen = nearestInSize(entries, wantedSize);
    const CursorImage decoded{isPng(chosen) ? decodePng(chosen) : decodeDib(chosen),
                              chosen.hotSpot};
    return scaledTo(decoded, wantedSize);
}

CursorImage loadCursorFile(const QString& path, int wantedSize)
{
    const QString name = QDir::toNativeSeparators(path);
    const QFileInfo info(path);
    if (!info.exists())
        throw Failure(QStringLiteral("Cursor file not found: %1").arg(name));
    if (info.isDir())
        throw Failure(QStringLiteral("Not a cursor file but a folder: %1").arg(name));
    if (info.size() > maxFileSize)
        throw Failure(QStringLiteral("Cursor file too large: %1").arg(name));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(QStringLiteral("Cannot read cursor file: %1").arg(name));
    // Read one byte past the limit: the file may have grown since its size was taken.
    const QByteArray bytes = file.read(maxFileSize + 1);
    if (file.error() != QFileDevice::NoError)
        throw Failure(QStringLiteral("Cannot read cursor file: %1").arg(name));
    if (bytes.isEmpty())
        throw Failure(QStringLiteral("Cursor file is empty: %1").arg(name));
    if (bytes.size() > maxFileSize)
        throw Failure(QStringLiteral("Cursor file too large: %1").arg(name));
    return decodeCursorFile(bytes, wantedSize);
}

QCursor toCursor(const CursorImage& cursor, qreal scale)
{
    QPixmap picture = QPixmap::fromImage(cursor.image);
    // Qt's Windows plugin enlarges a cursor's picture by the screen's scale unless the picture says
    // it is drawn for that scale, and reads the hot spot in unscaled pixels; X11's takes both as
    // they are. Ours is already drawn for the scale, so Windows is told so.
    if (QGuiApplication::platformName() != u"windows" || scale <= 0)
        return QCursor(picture, cursor.hotSpot.x(), cursor.hotSpot.y());
    picture.setDevicePixelRatio(scale);
    return QCursor(picture, qRound(cursor.hotSpot.x() / scale), qRound(cursor.hotSpot.y() / scale));
}
