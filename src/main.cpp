#include "app/application.h"
#include "platform/realplatform.h"
#include "time/localedigits.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    // The program reads no command line, and Qt would otherwise take options such as -reverse or
    // -stylesheet from it: Qt gets the program's name alone. Its settings still come from the
    // environment (QT_QPA_PLATFORM, QT_SCALE_FACTOR and the rest).
    static char fallbackName[] = "span-meter";
    int qtArgc = 1;
    char* qtArgv[] = {argc > 0 && argv[0] ? argv[0] : fallbackName, nullptr};
    QApplication qtApplication(qtArgc, qtArgv);
#ifdef Q_OS_WIN
    // Windows' own styles draw buttons from the system theme, not from the palette: the white
    // faces the windows ask for would be lost. Fusion draws them as on Linux.
    QApplication::setStyle(QStringLiteral("Fusion"));
#endif
    // The pickers and the counters write in the user's locale, with digits they can read back.
    if (const QLocale system = QLocale::system(), whole = withWholeDigits(system); whole != system)
        QLocale::setDefault(whole);
    // Ties the windows to the installed desktop entry, for the taskbar's icon and grouping.
    QGuiApplication::setDesktopFileName(QStringLiteral("example.span_meter.SpanMeter"));
    RealPlatform platform;
    Application application(platform.platform());
    application.start();
    return QApplication::exec();
}
