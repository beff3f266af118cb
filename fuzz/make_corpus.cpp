// Writes the fuzzers' seed corpora: small cursor files of every kind the decoder reads plus a
// few broken ones, and date-time text in each fuzzed locale plus text that must be rejected.
// Usage: make_corpus CORPUS_DIR   (writes CORPUS_DIR/cursorfile and CORPUS_DIR/datetimetext)
#include "time/datetime.h"
#include "time/datetimetext.h"

#include <QBuffer>
#include <QByteArray>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QList>
#include <QLocale>
#include <QPoint>
#include <QString>
#include <QTime>
#include <QtEndian>
#include <cstdio>

namespace {

struct Image
{
    QByteArray data;
    int width;
    int height;
    QPoint hotSpot;
};

void put16(QByteArray& out, quint16 value)
{
    out.append(char(value & 0xff)).append(char(value >> 8));
}

void put32(QByteArray& out, quint32 value)
{
    put16(out, quint16(value & 0xffff));
    put16(out, quint16(value >> 16));
}

QByteArray cursorFile(const QList<Image>& images, quint16 type = 2)
{
    QByteArray out;
    put16(out, 0);
    put16(out, type);
    put16(out, quint16(images.size()));
    quint32 offset = quint32(6 + 16 * images.size());
    for (const Image& image : images) {
        // 256 is written as 0, as the format has it.
        out.append(char(image.width & 0xff)).append(char(image.height & 0xff));
        out.append(2, '\0');
        put16(out, quint16(image.hotSpot.x()));
        put16(out, quint16(image.hotSpot.y()));
        put32(out, quint32(image.data.size()));
        put32(out, offset);
        offset += quint32(image.data.size());
    }
    for (const Image& image : images)
        out.append(image.data);
    return out;
}

// Colours that change along both axes, and a mask with a diagonal and a corner block, so rows
// and bit positions all differ.
QRgb colourAt(int x, int y)
{
    return qRgb(x * 9 % 256, y * 13 % 256, (x + y) * 5 % 256);
}

bool maskedAt(int x, int y)
{
    return x == y || (x < 3 && y < 3);
}

struct DibOptions
{
    int bitCount = 32;
    int width = 16;
    int height = 16;
    quint32 headerLength = 40;
    quint32 coloursUsed = 0; // 0: the full palette for the depth
    quint32 compression = 0;
    bool alpha = false; // 32-bit only: transparency in the alpha channel, the mask left clear
    int indices = 0;    // how many colour indices the pixels use; 0: as many as the palette has
};

QByteArray dib(const DibOptions& o)
{
    QByteArray out;
    put32(out, o.headerLength);
    put32(out, quint32(o.width));
    put32(out, quint32(2 * o.height));
    put16(out, 1);
    put16(out, quint16(o.bitCount));
    put32(out, o.compression);
    for (int i = 0; i < 3; ++i)
        put32(out, 0);
    put32(out, o.coloursUsed);
    put32(out, 0);
    out.append(int(o.headerLength) - out.size(), '\0');

    const int paletteSize =
        o.bitCount > 8 ? 0 : (o.coloursUsed ? int(o.coloursUsed) : 1 << o.bitCount);
    for (int i = 0; i < paletteSize; ++i)
        put32(out, quint32(colourAt(i, 3 * i)) & 0xffffffu);
    const int colourStride = (o.width * o.bitCount + 31) / 32 * 4;
    const int maskStride = (o.width + 31) / 32 * 4;
    for (int row = 0; row < o.height; ++row) {
        const int y = o.height - 1 - row;
        QByteArray line(colourStride, '\0');
        for (int x = 0; x < o.width; ++x) {
            if (o.bitCount <= 8) {
                const int index = (x + 2 * y) % (o.indices ? o.indices : paletteSize);
                const int bit = x * o.bitCount;
                line[bit / 8] = char(line[bit / 8] | index << (8 - o.bitCount - bit % 8));
                continue;
            }
            const QRgb colour = colourAt(x, y);
            const int at = x * o.bitCount / 8;
            line[at] = char(qBlue(colour));
            line[at + 1] = char(qGreen(colour));
            line[at + 2] = char(qRed(colour));
            if (o.bitCount == 32)
                line[at + 3] = char(o.alpha && !maskedAt(x, y) ? 128 + x % 128 : 0);
        }
        out.append(line);
    }
    for (int row = 0; row < o.height; ++row) {
        const int y = o.height - 1 - row;
        QByteArray line(maskStride, '\0');
        for (int x = 0; x < o.width && !o.alpha; ++x)
            line[x / 8] = char(line[x / 8] | int(maskedAt(x, y)) << (7 - x % 8));
        out.append(line);
    }
    return out;
}

Image dibImage(const DibOptions& o, QPoint hotSpot = QPoint(1, 2))
{
    return {dib(o), o.width, o.height, hotSpot};
}

QByteArray png(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, maskedAt(x, y) ? 0u : colourAt(x, y));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

bool write(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "make_corpus: cannot write %s\n", qUtf8Printable(path));
        return false;
    }
    return true;
}

bool writeCursors(const QString& dir)
{
    const QByteArray plain = cursorFile({dibImage({})});
    const QByteArray pngBytes = png(24, 24);
    DibOptions alpha32;
    alpha32.width = alpha32.height = 32;
    alpha32.alpha = true;
    DibOptions odd24;
    odd24.bitCount = 24;
    odd24.width = odd24.height = 13;
    DibOptions palette8;
    palette8.bitCount = 8;
    palette8.coloursUsed = 20;
    palette8.headerLength = 40;
    DibOptions nibble4;
    nibble4.bitCount = 4;
    nibble4.width = nibble4.height = 15;
    DibOptions mono1;
    mono1.bitCount = 1;
    mono1.width = mono1.height = 32;
    DibOptions mono256 = mono1;
    mono256.width = mono256.height = 256;
    DibOptions longHeader;
    longHeader.bitCount = 8;
    longHeader.headerLength = 108;
    longHeader.coloursUsed = 0;
    DibOptions wide;
    wide.bitCount = 24;
    wide.width = 40;
    wide.height = 8;

    DibOptions depth16;
    depth16.bitCount = 16;
    DibOptions compressed;
    compressed.compression = 1;
    DibOptions shortPalette;
    shortPalette.bitCount = 4;
    shortPalette.coloursUsed = 2;
    shortPalette.indices = 16;

    QByteArray overlap = plain;
    qToLittleEndian<quint32>(10, overlap.data() + 18);
    QByteArray pngDamaged = pngBytes;
    for (qsizetype i = pngDamaged.size() / 2; i < pngDamaged.size() / 2 + 8; ++i)
        pngDamaged[i] = char(~pngDamaged[i]);

    const QList<std::pair<const char*, QByteArray>> files = {
        {"dib32-mask-16.cur", plain},
        {"dib32-alpha-32.cur", cursorFile({dibImage(alpha32, QPoint(31, 31))})},
        {"dib24-13.cur", cursorFile({dibImage(odd24, QPoint(12, 0))})},
        {"dib24-40x8.cur", cursorFile({dibImage(wide, QPoint(0, 7))})},
        {"dib8-palette20-16.cur", cursorFile({dibImage(palette8)})},
        {"dib8-header108-16.cur", cursorFile({dibImage(longHeader)})},
        {"dib4-15.cur", cursorFile({dibImage(nibble4)})},
        {"dib1-32.cur", cursorFile({dibImage(mono1, QPoint(0, 0))})},
        {"dib1-256.cur", cursorFile({dibImage(mono256, QPoint(255, 128))})},
        {"png-24.cur", cursorFile({{pngBytes, 24, 24, QPoint(3, 4)}})},
        {"two-dib-then-png.cur",
         cursorFile({dibImage(alpha32, QPoint(5, 5)), {png(48, 48), 48, 48, QPoint(10, 10)}})},
        {"two-png-then-dib.cur", cursorFile({{pngBytes, 24, 24, QPoint(0, 23)}, dibImage({})})},
        {"bad-truncated.cur", plain.left(plain.size() / 2)},
        {"bad-header-only.cur", plain.left(6)},
        {"bad-icon-type.cur", cursorFile({dibImage({})}, 1)},
        {"bad-no-images.cur", cursorFile({})},
        {"bad-hotspot.cur", cursorFile({dibImage({}, QPoint(16, 0))})},
        {"bad-depth16.cur", cursorFile({dibImage(depth16)})},
        {"bad-compressed.cur", cursorFile({dibImage(compressed)})},
        {"bad-palette-index.cur", cursorFile({dibImage(shortPalette)})},
        {"bad-overlap.cur", overlap},
        {"bad-png-size.cur", cursorFile({{pngBytes, 32, 32, QPoint(3, 4)}})},
        {"bad-png-damaged.cur", cursorFile({{pngDamaged, 24, 24, QPoint(3, 4)}})},
    };
    for (const auto& [name, bytes] : files) {
        if (!write(dir + u'/' + QString::fromLatin1(name), bytes))
            return false;
    }
    return true;
}

QByteArray utf16(const QString& text)
{
    QByteArray out(1, '\x02');
    for (const QChar c : text)
        put16(out, c.unicode());
    return out;
}

QByteArray valueSeed(quint32 day, quint32 second)
{
    QByteArray out(1, '\x01');
    put32(out, day);
    put32(out, second);
    return out;
}

bool writeTexts(const QString& dir)
{
    const DateTime edgeFirst = DateTime::fromDate(QDate(1601, 1, 1));
    const DateTime edgeLast = DateTime::fromDateAndTime(QDate(9999, 12, 31), QTime(23, 59, 59));
    const DateTime timeAlone = DateTime::fromTime(QTime(13, 4, 5));
    const DateTime leapDay = DateTime::fromDateAndTime(QDate(2024, 2, 29), QTime(7, 8, 9));
    const DateTime midnight = DateTime::fromTime(QTime(0, 0, 0));

    QList<std::pair<QString, QByteArray>> files;
    for (const char* name : {"en_US", "de_DE", "ko_KR", "ar_EG", "fa_IR", "hi_IN", "C"}) {
        const DateTimeText text{QLocale(QString::fromLatin1(name))};
        const QString prefix = QString::fromLatin1(name) + u'-';
        files.append({prefix + QStringLiteral("datetime.txt"), text.format(leapDay).toUtf8()});
        files.append({prefix + QStringLiteral("date.txt"), text.formatDate(leapDay).toUtf8()});
        files.append({prefix + QStringLiteral("time.txt"), text.formatTime(leapDay).toUtf8()});
        files.append({prefix + QStringLiteral("first-date.txt"), text.format(edgeFirst).toUtf8()});
        files.append(
            {prefix + QStringLiteral("last-datetime.txt"), text.format(edgeLast).toUtf8()});
        files.append({prefix + QStringLiteral("time-alone.txt"), text.format(timeAlone).toUtf8()});
        files.append({prefix + QStringLiteral("midnight.txt"), text.format(midnight).toUtf8()});
    }
    const DateTimeText us{QLocale(QStringLiteral("en_US"))};
    files.append({QStringLiteral("utf16-en_US-datetime.bin"), utf16(us.format(leapDay))});
    files.append(
        {QStringLiteral("utf16-lone-surrogate.bin"), utf16(us.format(leapDay) + QChar(0xd800))});
    files.append({QStringLiteral("value-first.bin"), valueSeed(0, 0)});
    files.append({QStringLiteral("value-last.bin"), valueSeed(0xffffffffu, 0xffffffffu)});
    files.append({QStringLiteral("value-middle.bin"), valueSeed(155000, 45296)});
    const char* const garbage[][2] = {
        {"bad-blanks.txt", "   "},
        {"bad-before-1601.txt", "12/31/1600"},
        {"bad-after-9999.txt", "1/1/10000 12:00:00 AM"},
        {"bad-feb-30.txt", "2/30/2024"},
        {"bad-hour-25.txt", "25:00:00"},
        {"bad-words.txt", "yesterday at noon"},
        {"bad-iso.txt", "2024-02-29T07:08:09"},
        {"bad-two-blanks.txt", "2/29/2024  7:08:09 AM"},
        {"bad-trailing.txt", "29.02.2024 07:08:09 x"},
    };
    for (const auto& [name, content] : garbage)
        files.append({QString::fromLatin1(name), QByteArray(content)});

    for (const auto& [name, bytes] : files) {
        if (!write(dir + u'/' + name, bytes))
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_corpus CORPUS_DIR\n");
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);
    const QString cursors = root + QStringLiteral("/cursorfile");
    const QString texts = root + QStringLiteral("/datetimetext");
    if (!QDir().mkpath(cursors) || !QDir().mkpath(texts)) {
        std::fprintf(stderr, "make_corpus: cannot create folders under %s\n", argv[1]);
        return 1;
    }
    return writeCursors(cursors) && writeTexts(texts) ? 0 : 1;
}
