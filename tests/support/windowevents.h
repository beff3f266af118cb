#pragma once

#include "fakeplatform.h"

#include <QObject>

// Writes the showing and hiding of top-level windows to a journal, with the caption of a counter
// window's "Date/Time Entered" label at the moment it is shown.
class WindowEventRecorder : public QObject
{
    Q_OBJECT
public:
    explicit WindowEventRecorder(Journal& journal);
    ~WindowEventRecorder() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Journal& m_journal;
};
