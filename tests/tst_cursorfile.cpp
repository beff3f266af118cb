#include "base/failure.h"
#include "littleendian.h"
#include "platform/cursorfile.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

namespace {

// The test's own cursor writer, so every file's content is known independently of the reader.

struct ImageEntry
{
    QByteArray data;
    int size;
    QPoint hotSpot;
};

QByteArray cursorFile(const QList<ImageEntry>& entries)
{
    QByteArray file;
    append16(file, 0);
    append16(file, 2);
    append16(file, quint16(entries.size()));
    quint32 offset = quint32(6 + 16 * entries.size());
    for (const ImageEntry& entry : entries) {
        file.append(char(entry.size & 0xff)).append(char(entry.size & 0xff)).append(2, '\0');
        append16(file, quint16(entry.hotSpot.x()));
        append16(file, quint16(entry.hotSpot.y()));
        append32(file, quint32(entry.data.size()));
        append32(file, offset);
        offset += quint32(entry.data.size());
    }
    for (const ImageEntry& entry : entries)
        file.append(entry.data);
    return file;
}

// Test pattern: colours vary along both axes so a flipped or shifted row shows up, and the mask
// has a diagonal so every bit position within a mask byte is exercised.
bool maskedAt(int x, int y)
{
    return x == y || (x >= 24 && y < 4);
}

int paletteIndexAt(int x, int y, int paletteSize)
{
    return (x * 5 + y * 3) % paletteSize;
}

QRgb paletteColour(int index, int paletteSize)
{
    const int last = paletteSize - 1;
    return qRgb(index * 255 / last, (last - index) * 255 / last, 0x40);
}

QRgb colourAt(int bitCount, int x, int y)
{
    if (bitCount <= 8)
        return paletteColour(paletteIndexAt(x, y, 1 << bitCount), 1 << bitCount);
    return qRgb(x * 7 % 256, y * 11 % 256, 0x80);
}

int alphaAt(int x, int y)
{
    return maskedAt(x, y) ? 0 : 255 - x * 3;
}

void appendRow(QByteArray& out, const QByteArray& row)
{
    out.append(row);
    out.append((4 - row.size() % 4) % 4, '\0');
}

// A bitmap image entry; with withAlpha (32-bit only) the alpha channel carries the transparency
// and the mask is left empty.
QByteArray dibImage(int bitCount, int size, bool withAlpha = false)
{
    QByteArray out;
    append32(out, 40);
    append32(out, quint32(size));
    append32(out, quint32(2 * size));
    append16(out, 1);
    append16(out, quint16(bitCount));
    for (int i = 0; i < 6; ++i)
        append32(out, 0);
    const int paletteSize = bitCount <= 8 ? 1 << bitCount : 0;
    for (int i = 0; i < paletteSize; ++i) {
        const QRgb colour = paletteColour(i, paletteSize);
        out.append(char(qBlue(colour))).append(char(qGreen(colour))).append(char(qRed(colour)));
        out.append('\0');
    }
    for (int y = size - 1; y >= 0; --y) {
        QByteArray row((size * bitCount + 7) / 8, '\0');
        for (int x = 0; x < size; ++x) {
            const QRgb colour = colourAt(bitCount, x, y);
            if (bitCount <= 8) {
                const int bit = x * bitCount;
                row[bit / 8] = char(row[bit / 8] | paletteIndexAt(x, y, paletteSize)
                                                       << (8 - bitCount - bit % 8));
            } else {
                const int at = x * bitCount / 8;
                row[at] = char(qBlue(colour));
                row[at + 1] = char(qGreen(colour));
                row[at + 2] = char(qRed(colour));
                if (bitCount == 32)
                    row[at + 3] = char(withAlpha ? alphaAt(x, y) : 0);
            }
        }
        appendRow(out, row);
    }
    for (int y = size - 1; y >= 0; --y) {
        QByteArray row((size + 7) / 8, '\0');
        for (int x = 0; x < size && !withAlpha; ++x)
            row[x / 8] = char(row[x / 8] | int(maskedAt(x, y)) << (7 - x % 8));
        appendRow(out, row);
    }
    return out;
}

QImage pngSource(int size)
{
    QImage image(size, size, QImage::Format_ARGB32);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            image.setPixel(x, y, (colourAt(32, x, y) & 0xffffffu) | quint32(alphaAt(x, y)) << 24);
    return image;
}

QByteArray pngImage(int size)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    pngSource(size).save(&buffer, "PNG");
    return bytes;
}

QByteArray plainCursor(int bitCount = 32)
{
    return cursorFile({{dibImage(bitCount, 32), 32, QPoint(5, 2)}});
}

// Image data starts after the 6-byte header and one 16-byte entry.
constexpr int entryAt = 6;
constexpr int dibAt = 22;

QString failureOf(const QByteArray& bytes)
{
    try {
        decodeCursorFile(bytes, 32);
    } catch (const Failure& failure) {
        return failure.description();
    }
    return QString();
}

} // namespace

class TestCursorFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void decodesBitmap_data();
    void decodesBitmap();
    void decodesPng();
    void picksTheSizeForTheScale_data();
    void picksTheSizeForTheScale();
    void rejectsMalformed_data();
    void rejectsMalformed();
    void rejectsEveryTruncation_data();
    void rejectsEveryTruncation();
    void loadsFile();
    void refusesFile_data();
    void refusesFile();
    void makesCursor();

private:
    QTemporaryDir m_dir;
};

void TestCursorFile::decodesBitmap_data()
{
    QTest::addColumn<int>("bitCount");
    QTest::addColumn<bool>("withAlpha");
    QTest::addColumn<int>("size");
    QTest::addColumn<QPoint>("hotSpot");
    QTest::newRow("32-bit with mask") << 32 << false << 32 << QPoint(5, 2);
    QTest::newRow("32-bit with alpha") << 32 << true << 32 << QPoint(0, 0);
    QTest::newRow("24-bit") << 24 << false << 32 << QPoint(31, 31);
    QTest::newRow("8-bit") << 8 << false << 32 << QPoint(16, 0);
    QTest::newRow("4-bit") << 4 << false << 32 << QPoint(0, 17);
    QTest::newRow("1-bit") << 1 << false << 32 << QPoint(5, 2);
    QTest::newRow("1-bit, odd width") << 1 << false << 13 << QPoint(12, 3);
    QTest::newRow("24-bit, 256 px") << 24 << false << 256 << QPoint(200, 255);
}

void TestCursorFile::decodesBitmap()
{
    QFETCH(int, bitCount);
    QFETCH(bool, withAlpha);
    QFETCH(int, size);
    QFETCH(QPoint, hotSpot);
    const CursorImage cursor =
        decodeCursorFile(cursorFile({{dibImage(bitCount, size, withAlpha), size, hotSpot}}), size);
    QCOMPARE(cursor.hotSpot, hotSpot);
    QCOMPARE(cursor.image.size(), QSize(size, size));
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const QRgb pixel = cursor.image.pixel(x, y);
            const int alpha = withAlpha ? alphaAt(x, y) : maskedAt(x, y) ? 0 : 255;
            QCOMPARE(qAlpha(pixel), alpha);
            if (alpha != 0)
                QCOMPARE(pixel & 0xffffffu, colourAt(bitCount, x, y) & 0xffffffu);
        }
    }
}

void TestCursorFile::decodesPng()
{
    const CursorImage cursor =
        decodeCursorFile(cursorFile({{pngImage(48), 48, QPoint(7, 40)}}), 48);
    QCOMPARE(cursor.hotSpot, QPoint(7, 40));
    QCOMPARE(cursor.image.convertToFormat(QImage::Format_ARGB32), pngSource(48));
}

void TestCursorFile::picksTheSizeForTheScale_data()
{
    QTest::addColumn<QList<int>>("sizes"); // of the file's images, in file order
    QTest::addColumn<int>("wanted");
    QTest::addColumn<int>("used"); // the image the cursor is made from
    QTest::addColumn<QPoint>("hotSpot");
    // Each image's hot spot is a quarter of its width across and down, less one.
    QTest::newRow("ordinary scale") << QList<int>{16, 32, 64} << 32 << 32 << QPoint(7, 7);
    QTest::newRow("double scale") << QList<int>{32, 64} << 64 << 64 << QPoint(15, 15);
    QTest::newRow("double scale, larger first") << QList<int>{64, 32} << 64 << 64 << QPoint(15, 15);
    QTest::newRow("ordinary scale, larger first") << QList<int>{64, 32} << 32 << 32 << QPoint(7, 7);
    QTest::newRow("one image, doubled") << QList<int>{32} << 64 << 32 << QPoint(14, 14);
    QTest::newRow("one image, halved") << QList<int>{64} << 32 << 64 << QPoint(7, 7);
    QTest::newRow("120 dpi: nearest scaled up") << QList<int>{32, 64} << 40 << 32 << QPoint(8, 8);
    QTest::newRow("as near either way: the larger")
        << QList<int>{32, 64} << 48 << 64 << QPoint(11, 11);
}

void TestCursorFile::picksTheSizeForTheScale()
{
    QFETCH(QList<int>, sizes);
    QFETCH(int, wanted);
    QFETCH(int, used);
    QFETCH(QPoint, hotSpot);
    QList<ImageEntry> entries;
    for (const int size : sizes)
        entries.append({dibImage(24, size), size, QPoint(size / 4 - 1, size / 4 - 1)});
    const CursorImage cursor = decodeCursorFile(cursorFile(entries), wanted);
    QCOMPARE(cursor.image.size(), QSize(wanted, wanted));
    QCOMPARE(cursor.hotSpot, hotSpot);
    // The image it came from: the source's pixels, scaled the same way.
    CursorImage source = decodeCursorFile(cursorFile({{dibImage(24, used), used, QPoint()}}), used);
    const QImage expected =
        source.image.scaled(wanted, wanted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QCOMPARE(cursor.image, expected);
}

void TestCursorFile::rejectsMalformed_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("reason");
    const QByteArray plain = plainCursor();
    const int imageSize = plain.size() - dibAt;

    QTest::newRow("reserved not zero") << with16(plain, 0, 1) << QStringLiteral("reserved");
    QTest::newRow("icon") << with16(plain, 2, 1) << QStringLiteral("icon");
    QTest::newRow("unknown type") << with16(plain, 2, 3) << QStringLiteral("not a cursor");
    QTest::newRow("no images") << with16(plain, 4, 0) << QStringLiteral("no images");
    QTest::newRow("directory past end") << with16(plain, 4, 0xffff) << QStringLiteral("directory");
    QTest::newRow("zero size") << with32(plain, entryAt + 8, 0) << QStringLiteral("empty");
    QTest::newRow("offset past end")
        << with32(plain, entryAt + 12, quint32(plain.size())) << QStringLiteral("end of the file");
    QTest::newRow("size past end")
        << with32(plain, entryAt + 8, quint32(imageSize + 1)) << QStringLiteral("end of the file");
    QTest::newRow("offset plus size overflows")
        << with32(with32(plain, entryAt + 12, 0xffffff00u), entryAt + 8, 0x200)
        << QStringLiteral("end of the file");
    QTest::newRow("largest size") << with32(plain, entryAt + 8, 0xffffffffu)
                                  << QStringLiteral("end of the file");
    QTest::newRow("offset inside directory")
        << with32(plain, entryAt + 12, 4) << QStringLiteral("overlaps");
    QTest::newRow("bitmap header truncated")
        << with32(plain, entryAt + 8, 20) << QStringLiteral("bitmap header");
    QTest::newRow("bitmap header too small")
        << with32(plain, dibAt, 12) << QStringLiteral("bitmap header");
    QTest::newRow("bitmap header past image")
        << with32(plain, dibAt, quint32(imageSize + 1)) << QStringLiteral("larger");
    for (const quint16 bitCount : {0, 2, 16, 64}) {
        QTest::addRow("%d-bit", bitCount)
            << with16(plain, dibAt + 14, bitCount) << QStringLiteral("colour depth");
    }
    QTest::newRow("compressed") << with32(plain, dibAt + 16, 1) << QStringLiteral("compressed");
    QTest::newRow("height not doubled") << with32(plain, dibAt + 8, 32) << QStringLiteral("size");
    QTest::newRow("height negative")
        << with32(plain, dibAt + 8, quint32(-64)) << QStringLiteral("size");
    QTest::newRow("width differs") << with32(plain, dibAt + 4, 16) << QStringLiteral("size");
    QTest::newRow("entry says 256 px")
        << QByteArray(plain).replace(entryAt, 1, "\0", 1) << QStringLiteral("size");
    QTest::newRow("bitmap larger than entry")
        << with32(plain, entryAt + 8, quint32(imageSize - 1)) << QStringLiteral("larger");
    QTest::newRow("palette too large")
        << with32(plainCursor(8), dibAt + 32, 257) << QStringLiteral("palette");
    QTest::newRow("colour outside palette")
        << with32(plainCursor(8), dibAt + 32, 4) << QStringLiteral("palette");
    QTest::newRow("hot spot right of image")
        << with16(plain, entryAt + 4, 32) << QStringLiteral("hot spot");
    QTest::newRow("hot spot below image")
        << with16(plain, entryAt + 6, 32) << QStringLiteral("hot spot");
    QTest::newRow("garbage PNG")
        << cursorFile({{QByteArray("\x89PNG\r\n\x1a\n garbage, not a PNG stream"), 32, {}}})
        << QStringLiteral("PNG");
    QTest::newRow("PNG size differs")
        << cursorFile({{pngImage(16), 32, {}}}) << QStringLiteral("PNG");
    QTest::newRow("bad second image")
        << cursorFile({{dibImage(32, 32), 32, {}}, {with16(dibImage(8, 16), 14, 16), 16, {}}})
        << QStringLiteral("colour depth");
}

void TestCursorFile::rejectsMalformed()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reason);
    const QString description = failureOf(bytes);
    QVERIFY2(!description.isEmpty(), "no Failure raised");
    QVERIFY2(description.startsWith(QStringLiteral("Invalid cursor file: ")),
             qPrintable(description));
    QVERIFY2(description.contains(reason), qPrintable(description));
}

void TestCursorFile::rejectsEveryTruncation_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("32-bit") << plainCursor();
    QTest::newRow("1-bit") << plainCursor(1);
    QTest::newRow("PNG") << cursorFile({{pngImage(32), 32, {}}});
    QTest::newRow("two images") << cursorFile(
        {{dibImage(4, 16), 16, {}}, {dibImage(24, 32), 32, {}}});
}

void TestCursorFile::rejectsEveryTruncation()
{
    QFETCH(QByteArray, bytes);
    QVERIFY(!decodeCursorFile(bytes, 32).image.isNull());
    for (qsizetype length = 0; length < bytes.size(); ++length) {
        // A detached copy, so a read past its end is one the sanitizer can see.
        const QByteArray cut(bytes.constData(), length);
        if (failureOf(cut).isEmpty())
            QFAIL(qPrintable(QStringLiteral("accepted at length %1").arg(length)));
    }
}

void TestCursorFile::loadsFile()
{
    // Padded to exactly the size limit: the largest file still accepted.
    const QString path = m_dir.filePath(QStringLiteral("largest.cur"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    const QByteArray bytes = plainCursor();
    file.write(bytes + QByteArray(1024 * 1024 - bytes.size(), '\0'));
    file.close();
    const CursorImage cursor = loadCursorFile(path, 32);
    QCOMPARE(cursor.hotSpot, QPoint(5, 2));
    QCOMPARE(cursor.image.size(), QSize(32, 32));
}

void TestCursorFile::refusesFile_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("reason");
    const QByteArray plain = plainCursor();
    QTest::newRow("folder") << m_dir.path() << QByteArray() << QStringLiteral("folder");
    QTest::newRow("missing") << m_dir.filePath(QStringLiteral("missing.cur")) << QByteArray()
                             << QStringLiteral("not found");
    QTest::newRow("empty") << m_dir.filePath(QStringLiteral("empty.cur")) << QByteArray("")
                           << QStringLiteral("empty");
    QTest::newRow("over 1 MiB") << m_dir.filePath(QStringLiteral("huge.cur"))
                                << plain + QByteArray(1024 * 1024 + 1 - plain.size(), '\0')
                                << QStringLiteral("too large");
}

void TestCursorFile::refusesFile()
{
    QFETCH(QString, path);
    QFETCH(QByteArray, content);
    QFETCH(QString, reason);
    if (!content.isNull()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(content), content.size());
    }
    try {
        loadCursorFile(path, 32);
        QFAIL("no Failure raised");
    } catch (const Failure& failure) {
        QVERIFY2(failure.description().contains(reason), qPrintable(failure.description()));
        QVERIFY2(failure.description().contains(QDir::toNativeSeparators(path)),
                 qPrintable(failure.description()));
    }
}

void TestCursorFile::makesCursor()
{
    const QCursor cursor = toCursor(decodeCursorFile(plainCursor(), 32), 1.0);
    QCOMPARE(cursor.hotSpot(), QPoint(5, 2));
    QCOMPARE(cursor.pixmap().size(), QSize(32, 32));
}

QTEST_MAIN(TestCursorFile)
#include "tst_cursorfile.moc"
