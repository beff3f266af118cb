// Prints where the windows' controls stand, in the program's own pixels, as shell assignments the
// end-to-end scripts evaluate, so they click and crop where the layout tables put things rather
// than at numbers copied by hand. One line per control and one for each window's client area:
//   Form1_size=536x198+0+0
//   Form2_PushButton2=520x27+8+169
// Places are in the window's client area, containers added in. Labels are keyed by the letters
// of their caption ("Day(s):" gives Days), which the design fixes; their control names may change.
#include "layouts/layout.h"

#include <QTextStream>

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

QString geometry(int left, int top, int width, int height)
{
    return QStringLiteral("%1x%2+%3+%4").arg(width).arg(height).arg(left).arg(top);
}

void print(QTextStream& out, const WindowLayout& layout)
{
    out << layout.name << "_size="
        << geometry(0, 0, pixelsFromTwips(layout.clientWidth), pixelsFromTwips(layout.clientHeight))
        << '\n';
    for (const ControlRow& row : layout.controls) {
        // The builder converts each row relative to its container, so containers add in pixels.
        int left = pixelsFromTwips(row.left);
        int top = pixelsFromTwips(row.top);
        for (const ControlRow& container : layout.controls)
            if (!row.container.isEmpty() && container.name == row.container) {
                left += pixelsFromTwips(container.left);
                top += pixelsFromTwips(container.top);
            }
        out << layout.name << '_' << key(row) << '='
            << geometry(left, top, pixelsFromTwips(row.width), pixelsFromTwips(row.height)) << '\n';
    }
}

} // namespace

int main()
{
    QTextStream out(stdout);
    for (const WindowLayout* layout : {&form1Layout(), &form2Layout(), &form3Layout()})
        print(out, *layout);
    return 0;
}
