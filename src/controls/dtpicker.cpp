#include "dtpicker.h"

#include "controls/textgeometry.h"
#include "platform/platform.h"

#include <QAccessible>
#include <QApplication>
#include <QCalendarWidget>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QStyleOptionComboBox>
#include <QTextCharFormat>
#include <QTimeZone>
#include <algorithm>
#include <climits>

namespace {
// Qt 6.5 names the zone where older Qt takes a Qt::TimeSpec, which 6.8 deprecates.
QDateTime utc(QDate date, QTime time)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
    return QDateTime(date, time, QTimeZone::UTC);
#else
    return QDateTime(date, time, Qt::UTC);
#endif
}

constexpr Qt::KeyboardModifiers commandModifiers =
    Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;

// A key that puts a character in, through Shift, AltGr or the number pad alike. Control and Alt
// together are how Windows sends AltGr, so they still type.
bool isTypedKey(const QKeyEvent& event)
{
    const QString text = event.text();
    const Qt::KeyboardModifiers commands = event.modifiers() & commandModifiers;
    const bool altGr = commands == (Qt::ControlModifier | Qt::AltModifier);
    return !text.isEmpty() && text.at(0).isPrint() && (!commands || altGr);
}

bool isModifierOrDeadKey(int key)
{
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Meta:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_ScrollLock:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
    case Qt::Key_Mode_switch:
    case Qt::Key_unknown:
    case 0:
        return true;
    default:
        return key >= Qt::Key_Dead_Grave && key <= Qt::Key_Dead_Longsolidusoverlay;
    }
}

// Steps, the calendar, the clipboard's shortcuts and Escape with no typing under way go on to
// QDateTimeEdit; any other key that types nothing changes nothing.
bool isCommandKey(const QKeyEvent& event)
{
    if (isModifierOrDeadKey(event.key()))
        return false;
    switch (event.key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_F4:
    case Qt::Key_Escape:
        return true;
    default:
        return (event.modifiers() & commandModifiers) != 0;
    }
}
} // namespace

DTPicker::DTPicker(Format format, const DateTimeText& text, const Clock& clock, QWidget* parent)
    : QDateTimeEdit(parent), m_format(format), m_clock(clock),
      m_fields(format == Format::ShortDate ? text.dateFormat() : text.timeFormat()),
      m_typing(m_fields)
{
    // Wall-clock values: a zone would shift or refuse times inside a daylight-saving change.
#if QT_VERSION >= QT_VERSION_CHECK(6, 7, 0)
    setTimeZone(QTimeZone::UTC);
#else
    setTimeSpec(Qt::UTC);
#endif
    if (format == Format::ShortDate) {
        setDisplayFormat(text.dateFormat());
        setCalendarPopup(true);
        setDateTime(utc(clock.now().date(), QTime(0, 0)));
    } else {
        setDisplayFormat(text.timeFormat());
        setDateTime(utc(DateTime::zeroDate(), QTime(0, 0)));
    }
    // Last: a time-only editor pins its date range to the current date when its format or value
    // is set.
    setDateTimeRange(utc(DateTime::firstDate(), QTime(0, 0)),
                     utc(DateTime::lastDate(), QTime(23, 59, 59)));
    lineEdit()->installEventFilter(this);
    // Qt tells assistive technology of a new value only when stepped by key or spin button; a
    // screen reader speaks the picker on any change: typed, wheeled or picked in the calendar.
    connect(this, &QDateTimeEdit::dateTimeChanged, this, [this] {
        QAccessibleValueChangeEvent event(this, qlonglong(value().seconds()));
        QAccessible::updateAccessibility(&event);
    });
}

DateTime DTPicker::value() const
{
    // A counting window reads both pickers 40 times a second: dateTime() hands back the stored
    // value, where date() and time() convert it through QVariant's type conversions.
    const QDateTime stored = dateTime();
    return m_format == Format::ShortDate ? DateTime::fromDate(stored.date())
                                         : DateTime::fromTime(stored.time());
}

void DTPicker::setValue(DateTime value)
{
    cancelTyping();
    if (m_format == Format::ShortDate)
        setDate(value.date());
    else
        setTime(value.time());
    showHeldValue();
}

bool DTPicker::focusNextPrevChild(bool next)
{
    // Skip the editor's own section stepping: Tab goes on to the next control.
    finishTyping();
    return QWidget::focusNextPrevChild(next);
}

void DTPicker::keyPressEvent(QKeyEvent* event)
{
    event->accept();
    if (openCalendarOnKey(*event) || moveByKey(*event) || editByKey(*event))
        return;
    if (isTypedKey(*event)) {
        for (const QChar c : event->text())
            type(c);
        return;
    }
    if (!isCommandKey(*event))
        return;
    finishTyping();
    QDateTimeEdit::keyPressEvent(event);
    // The text box's own editing keys (Cut, Ctrl+K, Ctrl+Backspace) take text out of it and leave
    // the value as it was: the value is shown again, and Cut has only copied.
    showHeldValue();
}

bool DTPicker::moveByKey(const QKeyEvent& event)
{
    switch (event.key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
        selectDrawnNeighbour(event.key() == Qt::Key_Right);
        return true;
    case Qt::Key_Home:
    case Qt::Key_End:
        selectField(event.key() == Qt::Key_Home ? 0 : m_fields.fieldCount() - 1);
        return true;
    default:
        return false;
    }
}

bool DTPicker::editByKey(const QKeyEvent& event)
{
    switch (event.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // Ends the typing as Tab does, but the focus stays and no button is pressed.
        finishTyping();
        return true;
    case Qt::Key_Backspace:
        if (m_typing.isActive()) {
            m_typing.takeBackDigit(thisYear());
            showTyping();
        }
        return true;
    case Qt::Key_Delete:
        // A field is typed over, never erased: there is always a value.
        return true;
    case Qt::Key_Escape:
        if (!m_typing.isActive())
            return false;
        cancelTyping();
        return true;
    default:
        return false;
    }
}

bool DTPicker::event(QEvent* event)
{
    // QAbstractSpinBox hands input method events to its text box, past inputMethodEvent(): a
    // dead key's letter and an input method's digits would be typed into the text as it stands.
    if (event->type() == QEvent::InputMethod) {
        inputMethodEvent(static_cast<QInputMethodEvent*>(event));
        return true;
    }
    return QDateTimeEdit::event(event);
}

// Qt's date-time edit opens its calendar from the keyboard only in keypad-navigation builds, and
// offers no call to open it: F4 and Alt+Down take the path of a click on the arrow.
bool DTPicker::openCalendarOnKey(const QKeyEvent& event)
{
    const Qt::KeyboardModifiers modifiers = event.modifiers() & ~Qt::KeypadModifier;
    const bool wanted = (event.key() == Qt::Key_F4 && modifiers == Qt::NoModifier) ||
                        (event.key() == Qt::Key_Down && modifiers == Qt::AltModifier);
    if (!wanted || !calendarPopup())
        return false;
    QStyleOptionComboBox option;
    option.initFrom(this);
    option.editable = true;
    option.subControls = QStyle::SC_All;
    const QPoint arrow =
        style()
            ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxArrow, this)
            .center();
    QMouseEvent click(QEvent::MouseButtonPress, arrow, mapToGlobal(arrow), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    mousePressEvent(&click);
    return true;
}

void DTPicker::inputMethodEvent(QInputMethodEvent* event)
{
    for (const QChar c : event->commitString()) {
        if (c.isPrint())
            type(c);
    }
    event->accept();
}

void DTPicker::focusInEvent(QFocusEvent* event)
{
    QDateTimeEdit::focusInEvent(event);
    selectField(fieldOnFocus(event->reason()));
    m_hadFocus = true;
}

// As QDateTimeEdit chooses: Tab comes to the first field, Shift+Tab to the last, mirrored in
// right-to-left text; a click or the window's return keeps the field selected before.
int DTPicker::fieldOnFocus(Qt::FocusReason reason) const
{
    bool first = true;
    switch (reason) {
    case Qt::BacktabFocusReason:
        first = false;
        break;
    case Qt::TabFocusReason:
    case Qt::ShortcutFocusReason:
        break;
    case Qt::ActiveWindowFocusReason:
        if (m_hadFocus)
            return selectedField();
        break;
    default:
        return selectedField();
    }
    if (isRightToLeft())
        first = !first;
    return first ? 0 : m_fields.fieldCount() - 1;
}

void DTPicker::focusOutEvent(QFocusEvent* event)
{
    finishTyping();
    QDateTimeEdit::focusOutEvent(event);
}

void DTPicker::mousePressEvent(QMouseEvent* event)
{
    // The spin buttons and the calendar's arrow act on the value as typed so far.
    finishTyping();
    markLocaleWeekend();
    QDateTimeEdit::mousePressEvent(event);
    showSelection();
}

bool DTPicker::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != lineEdit()) {
        // While typing, the whole program is watched: a click anywhere else ends it.
        if (event->type() == QEvent::MouseButtonPress && watched->isWidgetType())
            finishTyping();
        return QDateTimeEdit::eventFilter(watched, event);
    }
    // A click selects a whole field: a text cursor inside one would take no digits.
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton)
            clickField(fieldNearest(qRound(mouse->position().x())));
        return true;
    }
    case QEvent::MouseMove:
        return static_cast<QMouseEvent*>(event)->buttons() != Qt::NoButton;
    case QEvent::MouseButtonRelease:
        return true;
    default:
        return QDateTimeEdit::eventFilter(watched, event);
    }
}

// Up, Down, the wheel and the spin buttons all come here: the selected field steps.
void DTPicker::stepBy(int steps)
{
    finishTyping();
    commit(m_fields.stepped(heldParts(), selectedField(), steps));
    showSelection();
}

QAbstractSpinBox::StepEnabled DTPicker::stepEnabled() const
{
    const DateTimeParts held = heldParts();
    StepEnabled enabled = StepNone;
    if (m_fields.stepped(held, selectedField(), 1) != held)
        enabled |= StepUpEnabled;
    if (m_fields.stepped(held, selectedField(), -1) != held)
        enabled |= StepDownEnabled;
    return enabled;
}

QString DTPicker::textFromDateTime(const QDateTime& dateTime) const
{
    if (m_typing.isActive() && dateTime == this->dateTime())
        return m_typedText;
    return QDateTimeEdit::textFromDateTime(dateTime);
}

QValidator::State DTPicker::validate(QString& input, int& pos) const
{
    // While typing, the text is ours and may show a day its month lacks.
    if (m_typing.isActive())
        return QValidator::Acceptable;
    return QDateTimeEdit::validate(input, pos);
}

void DTPicker::clickField(int field)
{
    if (field != selectedField())
        finishTyping();
    selectField(field);
}

void DTPicker::type(QChar c)
{
    if (!m_typing.isActive()) {
        m_typing.begin(heldParts());
        qApp->installEventFilter(this);
    }
    bool finished = false;
    if (const int digit = c.digitValue(); digit >= 0 && digit <= 9)
        finished = m_typing.typeDigit(digit, thisYear());
    else if (!typeAmPm(c))
        finished = m_typing.typeSeparator();
    if (finished)
        finishTyping();
    else
        showTyping();
}

int DTPicker::thisYear() const
{
    return m_clock.now().date().year();
}

// `a`, `p`, or the first letter of the locale's own marker when the two differ there.
bool DTPicker::typeAmPm(QChar c)
{
    if (!m_fields.isTwelveHour())
        return false;
    const QChar key = c.toLower();
    const QString am = locale().amText().toLower();
    const QString pm = locale().pmText().toLower();
    const bool ownDiffer = !am.isEmpty() && !pm.isEmpty() && am.at(0) != pm.at(0);
    const bool isAm = key == u'a' || (ownDiffer && key == am.at(0));
    const bool isPm = key == u'p' || (ownDiffer && key == pm.at(0));
    if (!isAm && !isPm)
        return false;
    if (m_typing.typeAmPm(isPm))
        finishTyping();
    return true;
}

void DTPicker::commit(const DateTimeParts& parts)
{
    if (m_format == Format::ShortDate)
        setDate(QDate(parts.year, parts.month, parts.day));
    else
        setTime(QTime(parts.hour, parts.minute, parts.second));
}

// The value is taken once, as the typing ends.
void DTPicker::finishTyping()
{
    if (!m_typing.isActive())
        return;
    qApp->removeEventFilter(this);
    commit(m_typing.finish());
    showHeldValue();
}

void DTPicker::cancelTyping()
{
    qApp->removeEventFilter(this);
    m_typing.cancel();
    showHeldValue();
}

// QDateTimeEdit redraws only when its value changes; typing that ends on the value held, or is
// dropped, leaves our text up.
void DTPicker::showHeldValue()
{
    const QString shown = textFromDateTime(dateTime());
    if (lineEdit()->text() != shown) {
        const QSignalBlocker blocker(lineEdit());
        lineEdit()->setText(shown);
    }
    showSelection();
}

void DTPicker::showTyping()
{
    if (!m_typing.isActive())
        return;
    std::vector<TextSpan> spans;
    m_typedText =
        m_fields.render(locale(), m_typing.parts(), m_typing.field(), m_typing.digits(), &spans);
    if (lineEdit()->text() != m_typedText) {
        const QSignalBlocker blocker(lineEdit());
        lineEdit()->setText(m_typedText);
    }
    highlight(spans[static_cast<std::size_t>(m_typing.field())]);
}

// Highlights the selected field in the text shown.
void DTPicker::showSelection()
{
    if (m_typing.isActive()) {
        showTyping();
        return;
    }
    std::vector<TextSpan> spans;
    m_fields.render(locale(), heldParts(), -1, {}, &spans);
    highlight(spans[static_cast<std::size_t>(selectedField())]);
}

void DTPicker::highlight(const TextSpan& span)
{
    QLineEdit* edit = lineEdit();
    if (span.end > edit->text().size())
        return;
    const QSignalBlocker blocker(edit);
    edit->setSelection(static_cast<int>(span.start), static_cast<int>(span.end - span.start));
}

DateTimeParts DTPicker::heldParts() const
{
    const QDate d = date();
    const QTime t = time();
    return {d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second()};
}

void DTPicker::selectField(int field)
{
    m_typing.select(field);
    showSelection();
}

void DTPicker::selectDrawnNeighbour(bool rightwards)
{
    const std::vector<std::pair<int, int>> extents = drawnExtents();
    const auto centre = [&](int field) {
        const auto& [left, right] = extents[static_cast<std::size_t>(field)];
        return left + right;
    };
    const int from = centre(selectedField());
    int best = -1;
    for (int field = 0; field < m_fields.fieldCount(); ++field) {
        const int at = centre(field);
        const bool beyond = rightwards ? at > from : at < from;
        if (beyond && (best < 0 || (rightwards ? at < centre(best) : at > centre(best))))
            best = field;
    }
    if (best >= 0)
        selectField(best);
}

int DTPicker::fieldNearest(int x) const
{
    const std::vector<std::pair<int, int>> extents = drawnExtents();
    int best = 0;
    int bestDistance = INT_MAX;
    for (std::size_t field = 0; field < extents.size(); ++field) {
        const auto& [left, right] = extents[field];
        const int distance = x < left ? left - x : x > right ? x - right : 0;
        if (distance < bestDistance) {
            best = static_cast<int>(field);
            bestDistance = distance;
        }
    }
    return best;
}

std::vector<std::pair<int, int>> DTPicker::drawnExtents() const
{
    std::vector<TextSpan> spans;
    if (m_typing.isActive())
        m_fields.render(locale(), m_typing.parts(), m_typing.field(), m_typing.digits(), &spans);
    else
        m_fields.render(locale(), heldParts(), -1, {}, &spans);
    const TextGeometry drawn = TextGeometry::ofLineEdit(*lineEdit());
    std::vector<std::pair<int, int>> extents;
    for (const TextSpan& span : spans)
        extents.push_back(drawn.extent(span.start, span.end));
    return extents;
}

// Qt's calendar marks Saturday and Sunday whatever the locale; the days the locale does not
// work are its weekend. Done when the calendar is first wanted, so start-up does not build it.
void DTPicker::markLocaleWeekend()
{
    if (m_weekendMarked || !calendarPopup())
        return;
    m_weekendMarked = true;
    QCalendarWidget* calendar = calendarWidget();
    const QTextCharFormat weekend = calendar->weekdayTextFormat(Qt::Sunday);
    const QList<Qt::DayOfWeek> workdays = locale().weekdays();
    for (int day = Qt::Monday; day <= Qt::Sunday; ++day) {
        const auto dayOfWeek = static_cast<Qt::DayOfWeek>(day);
        calendar->setWeekdayTextFormat(dayOfWeek,
                                       workdays.contains(dayOfWeek) ? QTextCharFormat() : weekend);
    }
}
