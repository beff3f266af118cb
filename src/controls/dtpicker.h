#pragma once

#include "controls/fieldtyping.h"
#include "time/datetime.h"
#include "time/datetimetext.h"

#include <QDateTimeEdit>
#include <optional>
#include <utility>
#include <vector>

class Clock;

// The date or time picker. It always holds a value between 1601-01-01 and 9999-12-31: a date
// picker's value has a time of day of zero, a time picker's lies on the zero date.
//
// Typing goes through a TypingRun rather than QDateTimeEdit's own parser, which checks a day
// against the month already held, drops two-digit years and steps fields through focus changes.
// The picker holds the selected field, the one shown highlighted: every key, click, wheel turn
// and spin-button press acts on it, and the text box's selection only shows it. Every path by
// which QDateTimeEdit would read its own current section is taken over here.
class DTPicker : public QDateTimeEdit
{
    Q_OBJECT
public:
    enum class Format { ShortDate, Time };
    // The clock gives "this year", by which a two-digit year is read.
    DTPicker(Format format, const DateTimeText& text, const Clock& clock,
             QWidget* parent = nullptr);
    ~DTPicker() override;

    Format format() const { return m_format; }
    DateTime value() const;
    void setValue(DateTime value);
    // The line edit that shows the text, whose caret and selection screen readers follow.
    QLineEdit* editor() const { return lineEdit(); }

protected:
    // Tab leaves the picker; Left and Right move between its fields as they are drawn.
    bool focusNextPrevChild(bool next) override;
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void stepBy(int steps) override;
    StepEnabled stepEnabled() const override;
    // The text of a value, drawn by the one renderer that also draws typing.
    QString textFromDateTime(const QDateTime& dateTime) const override;
    QValidator::State validate(QString& input, int& pos) const override;
    // The text drawn for the value held reads as that value, whatever Qt's reader makes of it.
    QDateTime dateTimeFromText(const QString& text) const override;

private:
    bool isDate() const { return m_format == Format::ShortDate; }
    bool openCalendarOnKey(const QKeyEvent& event);
    void openCalendar();
    bool moveByKey(const QKeyEvent& event);
    bool editByKey(const QKeyEvent& event);
    // A run of typing, and the watch on the whole program's events that lasts exactly as long.
    void startTyping();
    void endRun();
    void type(QChar c);
    NextField typeKey(QChar c);
    std::optional<bool> pmKey(QChar c) const;
    void commit(const DateTimeParts& parts);
    void finishTyping();
    void cancelTyping();
    QString render(std::vector<TextSpan>* spans = nullptr) const;
    void showText();
    static QString specimenOf(const PickerFormat& fields, const QLocale& locale);
    void fitText();
    int thisYear() const;

    static DateTimeParts partsOf(const QDateTime& dateTime);
    DateTimeParts heldParts() const { return partsOf(dateTime()); }
    int fieldOnFocus(Qt::FocusReason reason) const;
    // A key, a click or the focus chooses a field: typing there starts afresh.
    void selectField(int field);
    // The one writer of the selected field, which keeps it among the fields.
    void setSelectedField(int field);
    // A click on the field being typed keeps the typing; one on another field ends it.
    void clickField(int field);
    void selectDrawnNeighbour(bool rightwards);
    int fieldNearest(int x) const;
    // Each field's leftmost and rightmost drawn position in the text box, as it is seen, in
    // right-to-left text too.
    std::vector<std::pair<int, int>> drawnExtents() const;

    void markLocaleWeekend();

    // The picker's kind, from which its display format, its fields and its calendar follow.
    const Format m_format;
    const Clock& m_clock;
    PickerFormat m_fields;
    const QString m_specimen; // the texts the picker may show, by which its line is placed
    int m_field = 0;          // the selected field
    std::optional<TypingRun> m_run;
    bool m_weekendMarked = false;
    bool m_hadFocus = false;
};
