#pragma once

#include "controls/form.h"
#include "layouts/layout.h"
#include "platform/platform.h"
#include "shell/globals.h"
#include "shell/main.h"
#include "shell/navigator.h"
#include "time/datetimetext.h"

#include <optional>
#include <utility>

// The main window: the Moment's date and time pickers and the two mode buttons.
class Form1 : public Form
{
    Q_OBJECT
public:
    Form1(const Platform& platform, Main& main, Globals& globals, Navigator& navigator,
          const DateTimeText& text);

    void Form_Load();
    void PushButton1_Click();
    void PushButton2_Click();

    // The Moment as the pickers show it: the date, a blank, the time.
    QString momentText() const;

    DTPicker& dtpDate() const { return *m_controls.dtpDate; }
    DTPicker& dtpTime() const { return *m_controls.dtpTime; }

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void openCounter(CountDirection direction, const char* handler);
    void MaybeOpenHomePage();
    void setIconAfterFirstPaint();

    const Platform& m_platform;
    Main& m_main;
    Globals& m_globals;
    Navigator& m_navigator;
    const DateTimeText& m_text;
    const WindowControls m_controls;
    bool m_iconPending = false;
    // A counting window asks for the Moment 40 times a second; its text is formed again only
    // when a picker's value has changed.
    mutable std::optional<std::pair<DateTime, DateTime>> m_momentValues;
    mutable QString m_momentText;
};
