#include "dtpicker.h"

#include "controls/linefit.h"
#include "controls/qtcompat.h"
#include "controls/readabletext.h"
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
#include <algorithm>
#include <climits>

namespace {
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

QString displayFormatOf(DTPicker::Format format, const DateTimeText& text)
{
    return format == DTPicker::Format::ShortDate ? text.dateFormat() : text.timeFormat();
}
} // namespace

DTPicker::DTPicker(Format format, const DateTimeText& text, const Clock& clock, QWidget* parent)
    : QDateTimeEdit(parent), m_format(format), m_clock(clock),
      m_fields(displayFormatOf(format, text)), m_specimen(specimenOf(m_fields, locale()))
{
    // Wall-clock values: a zone would shift or refuse times inside a daylight-saving change.
    holdInUtc(*this);
    setDisplayFormat(displayFormatOf(format, text));
    if (isDate())
        setCalendarPopup(true);
    setDateTime(utcDateTime(isDate() ? clock.now().date() : DateTime::zeroDate(), QTime(0, 0)));
    // Last: a time-only editor pins its date range to the current date when its format or value
    // is set.
    setDateTimeRange(utcDateTime(DateTime::firstDate(), QTime(0, 0)),
                     utcDateTime(DateTime::lastDate(), QTime(23, 59, 59)));
    lineEdit()->installEventFilter(this);
    connect(lineEdit(), &QLineEdit::textChanged, this, &DTPicker::fitText);
    // Qt tells assistive technology of a new value only when stepped by key or spin button; a
    // screen reader speaks the picker on any change: typed, wheeled or picked in the calendar.
    connect(this, &QDateTimeEdit::dateTimeChanged, this, [this] {
        QAccessibleValueChangeEvent event(this, qlonglong(value().seconds()));
        QAccessible::updateAccessibility(&event);
    });
}

DTPicker::~DTPicker()
{
    endRun();
}

DateTime DTPicker::value() const
{
    // A counting window reads both pickers 40 times a second: dateTime() hands back the stored
    // value, where date() and time() convert it through QVariant's type conversions.
    const QDateTime stored = dateTime();
    return isDate() ? DateTime::fromDate(stored.date()) : DateTime::fromTime(stored.time());
}

void DTPicker::setValue(DateTime value)
{
    cancelTyping();
    if (isDate())
        setDate(value.date());
    else
        setTime(value.time());
    showText();
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
    showText();
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
        if (m_run) {
            m_run->takeBackDigit(m_field, thisYear());
            showText();
        }
        return true;
    case Qt::Key_Delete:
        // A field is typed over, never erased: there is always a value.
        return true;
    case Qt::Key_Escape:
        if (!m_run)
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
    const bool handled = QDateTimeEdit::event(event);
    if (event->type() == QEvent::FontChange)
        fitText();
    return handled;
}

bool DTPicker::openCalendarOnKey(const QKeyEvent& event)
{
    const Qt::KeyboardModifiers modifiers = event.modifiers() & ~Qt::KeypadModifier;
    const bool wanted = (event.key() == Qt::Key_F4 && modifiers == Qt::NoModifier) ||
                        (event.key() == Qt::Key_Down && modifiers == Qt::AltModifier);
    if (!wanted || !isDate())
        return false;
    openCalendar();
    return true;
}

// Qt's date-time edit opens its calendar from the keyboard only in keypad-navigation builds, and
// offers no call to open it: the one public path is a click on the arrow, made here.
void DTPicker::openCalendar()
{
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
            return m_field;
        break;
    default:
        return m_field;
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
    showText();
}

bool DTPicker::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lineEdit() && event->type() == QEvent::Resize)
        fitText();
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
    commit(m_fields.stepped(heldParts(), m_field, steps));
    showText();
}

QAbstractSpinBox::StepEnabled DTPicker::stepEnabled() const
{
    const DateTimeParts held = heldParts();
    StepEnabled enabled = StepNone;
    if (m_fields.stepped(held, m_field, 1) != held)
        enabled |= StepUpEnabled;
    if (m_fields.stepped(held, m_field, -1) != held)
        enabled |= StepDownEnabled;
    return enabled;
}

QString DTPicker::textFromDateTime(const QDateTime& dateTime) const
{
    if (m_run && dateTime == this->dateTime())
        return render();
    return m_fields.render(locale(), partsOf(dateTime));
}

// While typing, the text is ours and may show a day its month lacks. The value's own text is ours
// too, and Qt's reader may misread what Qt writes: Qt 6.11 reads Akan's "ANW" (PM) as its "AN" (AM)
// and a stray letter, and would correct the text box to "ANe" and the value to the morning.
QValidator::State DTPicker::validate(QString& input, int& pos) const
{
    if (m_run || input == textFromDateTime(dateTime()))
        return QValidator::Acceptable;
    return QDateTimeEdit::validate(input, pos);
}

QDateTime DTPicker::dateTimeFromText(const QString& text) const
{
    if (text == textFromDateTime(dateTime()))
        return dateTime();
    return QDateTimeEdit::dateTimeFromText(text);
}

void DTPicker::clickField(int field)
{
    if (field != m_field)
        finishTyping();
    selectField(field);
}

// While typing, the whole program's events pass through the picker: a click anywhere else ends
// the typing.
void DTPicker::startTyping()
{
    if (m_run)
        return;
    m_run.emplace(m_fields, heldParts());
    QCoreApplication::instance()->installEventFilter(this);
}

void DTPicker::endRun()
{
    if (!m_run)
        return;
    m_run.reset();
    QCoreApplication::instance()->removeEventFilter(this);
}

void DTPicker::type(QChar c)
{
    startTyping();
    if (const NextField next = typeKey(c)) {
        setSelectedField(*next);
        showText();
    } else {
        finishTyping();
    }
}

NextField DTPicker::typeKey(QChar c)
{
    if (const int digit = c.digitValue(); digit >= 0 && digit <= 9)
        return m_run->typeDigit(m_field, digit, thisYear());
    if (const std::optional<bool> pm = pmKey(c))
        return m_run->typeAmPm(m_field, *pm);
    return m_run->typeSeparator(m_field);
}

int DTPicker::thisYear() const
{
    return m_clock.now().date().year();
}

// Whether the key names the afternoon: `a`, `p`, or the first letter of the locale's own marker
// when the two differ there. Nothing for another key, or in a 24-hour format.
std::optional<bool> DTPicker::pmKey(QChar c) const
{
    if (!m_fields.isTwelveHour())
        return std::nullopt;
    const QChar key = c.toLower();
    const QString am = locale().amText().toLower();
    const QString pm = locale().pmText().toLower();
    const bool ownDiffer = !am.isEmpty() && !pm.isEmpty() && am.at(0) != pm.at(0);
    if (key == u'p' || (ownDiffer && key == pm.at(0)))
        return true; // the afternoon wins a letter both name: a locale whose PM starts with `a`
    if (key == u'a' || (ownDiffer && key == am.at(0)))
        return false;
    return std::nullopt;
}

void DTPicker::commit(const DateTimeParts& parts)
{
    if (isDate())
        setDate(QDate(parts.year, parts.month, parts.day));
    else
        setTime(QTime(parts.hour, parts.minute, parts.second));
}

// The value is taken once, as the typing ends.
void DTPicker::finishTyping()
{
    if (!m_run)
        return;
    const DateTimeParts typed = m_run->result();
    endRun();
    commit(typed);
    showText();
}

void DTPicker::cancelTyping()
{
    endRun();
    showText();
}

// Typing and the value held are drawn by the one renderer, so the text and the place of each
// field in it always agree.
QString DTPicker::render(std::vector<TextSpan>* spans) const
{
    if (m_run)
        return m_fields.render(locale(), m_run->parts(), m_field, m_run->digits(), spans);
    return m_fields.render(locale(), heldParts(), -1, {}, spans);
}

// Shows the text and highlights the selected field. QDateTimeEdit redraws only when its value
// changes: typing that ends on the value held, or is dropped, would leave its own text up.
void DTPicker::showText()
{
    std::vector<TextSpan> spans;
    const QString shown = render(&spans);
    QLineEdit* edit = lineEdit();
    const QSignalBlocker blocker(edit);
    if (edit->text() != shown)
        edit->setText(shown);
    const TextSpan& span = spans[static_cast<std::size_t>(m_field)];
    edit->setSelection(static_cast<int>(span.start), static_cast<int>(span.end - span.start));
}

// Every text the picker can show shares one line: the months' names, both halves of the day.
QString DTPicker::specimenOf(const PickerFormat& fields, const QLocale& locale)
{
    QString specimen;
    for (int month = 1; month <= 12; ++month)
        specimen += fields.render(locale, {2000, month, 28, month - 1, 0, 0});
    return specimen + fields.render(locale, {2000, 1, 1, 12, 0, 0});
}

// The text box's font and margins put the ink of every text it shows whole and centred in it, a
// pixel clear of its edges. Qt centres the line of the tallest font the text falls back to, and
// clips to its text area: the margins make that area reach past the box on both sides, so it clips
// nothing the box shows, and place it so the centred line's baseline falls where the fit puts it.
void DTPicker::fitText()
{
    QLineEdit& edit = *lineEdit();
    const LineFit fit = fitLine(m_specimen, font(), edit.height() - 2);
    if (edit.font() != fit.font)
        edit.setFont(fit.font);
    const int height = edit.height();
    const int lineTop = 1 + fit.baseline - QFontMetrics(fit.font).ascent();
    const int areaTop = lineTop - height;
    const int areaHeight = lineEditCentredLineHeight(edit.text(), fit.font) - 1 + 2 * height;
    const QMargins margins = edit.textMargins();
    const QMargins fitted(margins.left(), areaTop, margins.right(), height - areaTop - areaHeight);
    if (margins != fitted)
        edit.setTextMargins(fitted);
}

DateTimeParts DTPicker::partsOf(const QDateTime& dateTime)
{
    const QDate d = dateTime.date();
    const QTime t = dateTime.time();
    return {d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second()};
}

void DTPicker::selectField(int field)
{
    setSelectedField(field);
    if (m_run)
        m_run->enterField();
    showText();
}

void DTPicker::setSelectedField(int field)
{
    m_field = std::clamp(field, 0, std::max(0, m_fields.fieldCount() - 1));
}

void DTPicker::selectDrawnNeighbour(bool rightwards)
{
    const std::vector<std::pair<int, int>> extents = drawnExtents();
    const auto centre = [&](int field) {
        const auto& [left, right] = extents[static_cast<std::size_t>(field)];
        return left + right;
    };
    const int from = centre(m_field);
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
    render(&spans);
    const TextGeometry drawn = TextGeometry::ofLineEdit(*lineEdit());
    std::vector<std::pair<int, int>> extents;
    for (const TextSpan& span : spans)
        extents.push_back(drawn.extent(span.start, span.end));
    return extents;
}

// Qt's calendar marks Saturday and Sunday whatever the locale; the days the locale does not
// work are its weekend, in a red that reads on the theme. Done when the calendar is first
// wanted, so start-up does not build it.
void DTPicker::markLocaleWeekend()
{
    if (m_weekendMarked || !isDate())
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
    keepCalendarReadable(*calendar);
}
