#include "warningmessagebox.h"

#include "platform/qtmessageboxlabel.h"

#include <QFontMetricsF>
#include <QLabel>
#include <QMessageBox>
#include <algorithm>
#include <cmath>

namespace {
// A reader copies an e-mail address from the box by hand, so the line that holds one must not
// wrap: the line breaker would split the address at a hyphen. The text itself stays as it is.
void keepAddressLinesWhole(QMessageBox& box, const QString& text)
{
    QLabel* label = messageBoxTextLabel(box);
    if (!label)
        return;
    const QFontMetricsF metrics(label->font());
    qreal widest = 0;
    for (const QString& line : text.split(QLatin1Char('\n')))
        if (line.contains(QLatin1Char('@')))
            widest = std::max(widest, metrics.horizontalAdvance(line));
    label->setMinimumWidth(static_cast<int>(std::ceil(widest)));
}
} // namespace

void WarningMessageBox::showWarning(const QString& title, const QString& text)
{
    // A lone carriage return breaks the line where the report was composed for; Qt needs \n.
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
        .replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QMessageBox box(QMessageBox::Warning, title, shown, QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    keepAddressLinesWhole(box, shown);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}
