#pragma once

class QLabel;
class QMessageBox;

// The label in which Qt's message box shows its text. Qt hands that label to no one; it only names
// it "qt_msgbox_label" (Qt 6.4 to 6.8), a name it does not document. Null where a later Qt names it
// otherwise: the box then lays out its text as Qt would, and tst_appearance fails.
QLabel* messageBoxTextLabel(QMessageBox& box);
