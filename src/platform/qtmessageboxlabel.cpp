#include "qtmessageboxlabel.h"

#include <QLabel>
#include <QMessageBox>

QLabel* messageBoxTextLabel(QMessageBox& box)
{
    return box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
}
