// Feeds arbitrary bytes to the cursor file decoder. A Failure is the decoder's way of saying
// "not a cursor" and is fine; any other exception, a sanitizer report or a decoded cursor that
// contradicts its own directory entry is a fault.
#include "base/failure.h"
#include "platform/cursorfile.h"

#include <QByteArray>
#include <QImage>
#include <QtGlobal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void ignoreMessage(QtMsgType, const QMessageLogContext&, const QString&) {}

[[noreturn]] void violated(const char* what)
{
    std::fprintf(stderr, "fuzz_cursorfile: %s\n", what);
    std::abort();
}

int entryByte(const std::uint8_t* data, std::size_t at)
{
    // In the directory a zero width or height stands for 256.
    return data[at] ? data[at] : 256;
}

int entryWord(const std::uint8_t* data, std::size_t at)
{
    return data[at] | data[at + 1] << 8;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // libpng's warnings about damaged chunks would drown libFuzzer's own output.
    qInstallMessageHandler(ignoreMessage);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // A view of libFuzzer's own buffer, which is allocated to the exact size: a read even one
    // byte past the input is caught by AddressSanitizer, where a copy's spare capacity hides it.
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    // Asked for the first image's width, the decoder must give that image unscaled.
    const int wantedSize = size > 6 ? entryByte(data, 6) : 32;
    CursorImage cursor;
    try {
        cursor = decodeCursorFile(bytes, wantedSize);
    } catch (const Failure&) {
        return 0;
    }

    // Accepted, so there is a 6-byte header and at least one 16-byte directory entry: the first
    // entry, of the wanted width, is the one the decoder promises to use.
    if (size < 22)
        violated("accepted a file too short to hold a directory entry");
    if (cursor.image.isNull())
        violated("accepted a cursor with a null image");
    if (cursor.image.format() != QImage::Format_ARGB32)
        violated("image not in ARGB32");
    if (cursor.image.width() != entryByte(data, 6) || cursor.image.height() != entryByte(data, 7))
        violated("image size differs from the first directory entry");
    if (cursor.hotSpot != QPoint(entryWord(data, 10), entryWord(data, 12)))
        violated("hot spot differs from the first directory entry");
    if (!cursor.image.rect().contains(cursor.hotSpot))
        violated("hot spot outside the image");
    return 0;
}
