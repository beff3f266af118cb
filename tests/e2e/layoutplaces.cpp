// Prints where the builder puts the windows' controls, in the program's own pixels, as shell
// assignments the end-to-end scripts evaluate, so they click and crop where the windows have
// their controls rather than at numbers copied by hand. One line per control and one for each
// window's client area:
//   Form1_size=536x198+0+0
//   Form2_PushButton2=520x27+8+169
// Places are in the window's client area, read from the widgets the builder makes, so the tool
// knows nothing of twips or containers; a label is as wide as its caption. Labels are keyed by the
// letters of their caption ("Day(s):" gives Days), which the design fixes; their control names may
// change. With --scale S the places are in the pixels of a screen Qt scales by S.
//   layout-places [--scale S]
#include "controls/form.h"
#include "layouts/builder.h"
#include "platform/systemclock.h"
#include "time/datetimetext.h"

#include <QApplication>
#include <QTextStream>
#include <cstdio>

namespace {

QString key(const ControlRow& row)
{
    if (row.kind != ControlKind::Label)
        return row.name;
    QString letters;
    for (const QChar c : row.caption)
        if (c.isLetter())
            letters += c;
    return letters;
}

// Qt rounds a scaled place half a pixel up, as qRound does.
QString geometry(const QRect& rect, double scale)
{
    const auto scaled = [scale](int pixels) { return qRound(pixels * scale); };
    return QStringLiteral("%1x%2+%3+%4")
        .arg(scaled(rect.width()))
        .arg(scaled(rect.height()))
        .arg(scaled(rect.x()))
        .arg(scaled(rect.y()));
}

void print(QTextStream& out, const WindowLayout& layout, double scale)
{
    const DateTimeText text;
    const SystemClock clock;
    Form window;
    buildWindow(window, layout, text, clock);
    out << layout.name << "_size=" << geometry(window.rect(), scale) << '\n';
    for (const ControlRow& row : layout.controls) {
        const QWidget* control = window.findChild<QWidget*>(row.name);
        out << layout.name << '_' << key(row) << '='
            << geometry(QRect(control->mapTo(&window, QPoint()), control->size()), scale) << '\n';
    }
}

} // namespace

int main(int argc, char* argv[])
{
    // Qt gets none of the tool's options.
    int qtArgc = 1;
    QApplication application(qtArgc, argv);
    double scale = 1;
    bool ok = argc == 1;
    if (argc == 3 && QByteArrayView(argv[1]) == "--scale")
        scale = QByteArray(argv[2]).toDouble(&ok);
    if (!ok || scale <= 0) {
        std::fputs("usage: layout-places [--scale S]\n", stderr);
        return 2;
    }
    QTextStream out(stdout);
    for (const WindowLayout* layout : {&form1Layout(), &form2Layout(), &form3Layout()})
        print(out, *layout, scale);
    return 0;
}
