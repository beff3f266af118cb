#pragma once

// Makes the program's windows, labels and pickers read well through assistive technology: each
// window a frame named by its title, each label with its text, each picker with the text it shows
// and, as its number, its value in seconds from the zero date; each frame by its caption. A hidden
// pop-up, such as the calendar between openings, tells nothing. Installing twice does nothing more.
void installAccessibleInterfaces();

class QObject;

// Tells assistive technology the object's new name, as a string. Qt's bridge (6.4 at least) sends
// the object itself in place of the name, which a screen reader cannot speak.
void announceNewName(QObject* object);

// Tells assistive technology that the object's description has changed, without saying it: a
// screen reader asks afresh the next time it wants it, and speaks nothing now. A reader keeps a
// description it has read until told, and Orca speaks a new description sent as text at once.
void announceStaleDescription(QObject* object);
