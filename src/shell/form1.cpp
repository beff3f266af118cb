#include "form1.h"

#include "controls/controls.h"
#include "layouts/builder.h"
#include "shell/appicon.h"
#include "shell/errortrap.h"
#include "shell/location.h"
#include "shell/navigator.h"
#include "shell/product.h"

#include <QCloseEvent>
#include <QTimer>

Form1::Form1(const Platform& platform, Main& main, Globals& globals, Navigator& navigator,
             const DateTimeText& text)
    : m_platform(platform), m_main(main), m_globals(globals), m_navigator(navigator), m_text(text),
      m_controls(buildWindow(*this, form1Layout(), text, platform.clock))
{
    connect(m_controls.PushButton1, &PushButton::clicked, this, &Form1::PushButton1_Click);
    connect(m_controls.PushButton2, &PushButton::clicked, this, &Form1::PushButton2_Click);
    for (PushButton* button : {m_controls.PushButton1, m_controls.PushButton2})
        connect(button, &PushButton::mouseMoved, this, [this] { Main::pointerOverButton(*this); });
    for (Frame* frame : {m_controls.Frame1, m_controls.Frame2})
        connect(frame, &Frame::mouseMoved, this, [this] { Main::pointerOverSurface(*this); });
    connect(this, &Form::mouseMoved, this, [this] { Main::pointerOverSurface(*this); });
}

void Form1::Form_Load()
{
    ErrorTrap trap(m_platform.messageBox, locationText("Form1", "Form_Load"));
    trap.run(100, [&] { m_main.LoadSkinIfPresent(*this); });
    if (trap.test(104, [&] { return m_main.FileExists(m_main.handCursorFilePath()); }))
        trap.run(106, [&] { m_main.loadHandCursor(*this); });
    trap.run(108, [&] { MaybeOpenHomePage(); });
    trap.run(126, [&] { setWindowTitle(productName); });
    // The icon's four images take some 4 ms to read and hand to the window system, a tenth of the
    // start-up; they wait until the window has drawn itself once.
    trap.run(126, [&] { m_iconPending = true; });
    trap.run(126, [&] { Main::SetApplicationTitle(); });
    trap.run(128, [&] { dtpDate().setValue(m_platform.clock.now().datePart()); });
    trap.run(130, [&] { dtpTime().setValue(m_platform.clock.now().timePart()); });
}

void Form1::MaybeOpenHomePage()
{
    m_platform.random.seed(m_platform.clock.secondsSinceMidnight());
    const int draw = static_cast<int>(m_platform.random.next() * 100) + 1;
    if (draw == 7)
        m_platform.urlOpener.open(m_main.homePageAddress());
}

void Form1::PushButton1_Click()
{
    openCounter(CountDirection::Remaining, "PushButton1_Click");
}

void Form1::PushButton2_Click()
{
    openCounter(CountDirection::Elapsed, "PushButton2_Click");
}

void Form1::openCounter(CountDirection direction, const char* handler)
{
    // Every reference goes through the navigator, which loads the window on the first one.
    ErrorTrap trap(m_platform.messageBox, locationText("Form1", handler));
    trap.run(100, [&] { m_globals.QuitOnClose = true; });
    trap.run(102, [&] {
        m_navigator.enteredLabel(direction).setCaption(QStringLiteral("Date/Time Entered: ") +
                                                       momentText());
    });
    trap.run(104, [&] { m_navigator.showCounter(direction); });
    trap.run(106, [&] { hide(); });
}

QString Form1::momentText() const
{
    const std::pair values{dtpDate().value(), dtpTime().value()};
    if (values != m_momentValues) {
        m_momentText =
            m_text.formatDate(values.first) + QLatin1Char(' ') + m_text.formatTime(values.second);
        m_momentValues = values;
    }
    return m_momentText;
}

bool Form1::event(QEvent* event)
{
    const bool handled = Form::event(event);
    if (event->type() == QEvent::Paint && m_iconPending) {
        m_iconPending = false;
        QTimer::singleShot(0, this, &Form1::setIconAfterFirstPaint);
    }
    return handled;
}

void Form1::setIconAfterFirstPaint()
{
    ErrorTrap trap(m_platform.messageBox, locationText("Form1", "Form_Load"));
    trap.run(126, [&] { setWindowIcon(applicationIcon()); });
}

void Form1::closeEvent(QCloseEvent* event)
{
    event->accept();
    m_navigator.endProgram();
}
