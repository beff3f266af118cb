#include "counting.h"

#include "app/application.h"
#include "controls/controls.h"
#include "counters/counterwindow.h"
#include "shell/form1.h"

CounterWindow& openCounter(Application& app, bool elapsed, DateTime moment)
{
    Form1& form1 = app.form1();
    form1.dtpDate().setValue(moment.datePart());
    form1.dtpTime().setValue(moment.timePart());
    if (elapsed)
        form1.PushButton2_Click();
    else
        form1.PushButton1_Click();
    return elapsed ? *app.loadedForm2() : *app.loadedForm3();
}

CounterWindow& openAndStart(Application& app, bool elapsed, DateTime moment)
{
    CounterWindow& window = openCounter(app, elapsed, moment);
    window.startStopButton().click();
    return window;
}
