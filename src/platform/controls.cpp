#include "controls.h"

#include "readabletext.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyleOptionGroupBox>
#include <QStylePainter>

PushButton::PushButton(QWidget* parent) : QPushButton(parent)
{
    setMouseTracking(true);
    setAutoDefault(false);
}

void PushButton::setCaption(const QString& caption)
{
    m_caption = caption;
    setAccessibleName(caption);
    QString shown = caption;
    setText(shown.replace(QLatin1Char('&'), QStringLiteral("&&")));
}

void PushButton::mouseMoveEvent(QMouseEvent* event)
{
    Q_EMIT mouseMoved();
    QPushButton::mouseMoveEvent(event);
    // The button ignores a move with no mouse button held; passed on, the window's surface
    // handler would take the hand away within the same move.
    event->accept();
}

Frame::Frame(QWidget* parent) : QGroupBox(parent)
{
    setMouseTracking(true);
}

void Frame::mouseMoveEvent(QMouseEvent* event)
{
    // A move over a label or a picker inside the frame is not a move over the frame.
    if (!childAt(event->position().toPoint()))
        Q_EMIT mouseMoved();
    QGroupBox::mouseMoveEvent(event);
    event->accept();
}

void Frame::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionGroupBox option;
    initStyleOption(&option);
    QStyleOptionGroupBox frameOnly = option;
    frameOnly.subControls = QStyle::SC_GroupBoxFrame;
    painter.drawComplexControl(QStyle::CC_GroupBox, frameOnly);
    // Some styles shade the interior. The contents start inside the border line and its inner
    // edge; on the right and at the bottom those are as wide as the border on the left.
    constexpr int borderWidth = 2;
    const QBrush background = palette().brush(backgroundRole());
    if (autoFillBackground())
        painter.fillRect(QRect(contentsRect().topLeft(),
                               rect().bottomRight() - QPoint(borderWidth, borderWidth)),
                         background);
    option.subControls &= ~QStyle::SC_GroupBoxFrame;
    option.palette.setColor(
        QPalette::WindowText,
        readableOn(background.color(), option.palette.color(QPalette::WindowText)));
    painter.drawComplexControl(QStyle::CC_GroupBox, option);
}

Label::Label(QWidget* parent) : QLabel(parent)
{
    setWordWrap(false);
    setTextFormat(Qt::PlainText);
    setAutoFillBackground(true);
}

void Label::setCaption(const QString& caption)
{
    // Most writes of a tick repeat the caption shown; only a real change is drawn and announced.
    if (caption == text())
        return;
    const QString previous = text();
    setText(caption);
    resize(widthFor(caption), height());
    if (QAccessible::isActive()) {
        QAccessibleTextUpdateEvent event(this, 0, previous, caption);
        QAccessible::updateAccessibility(&event);
    }
}

int Label::widthFor(const QString& caption)
{
    if (const auto known = m_widths.constFind(caption); known != m_widths.cend())
        return *known;
    if (m_widths.size() >= 128)
        m_widths.clear(); // the clock's captions never come back
    const int width = sizeHint().width();
    m_widths.insert(caption, width);
    return width;
}

bool Label::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::FontChange:
    case QEvent::StyleChange:
    case QEvent::Polish:
    case QEvent::ContentsRectChange:
    case QEvent::LayoutDirectionChange:
        m_widths.clear();
        break;
    default:
        break;
    }
    return QLabel::event(event);
}

namespace {
QDateTime utc(QDate date, QTime time)
{
    return QDateTime(date, time, Qt::UTC);
}
} // namespace

DTPicker::DTPicker(Format format, const DateTimeText& text, QWidget* parent)
    : QDateTimeEdit(parent), m_format(format)
{
    // Wall-clock values: a zone would shift or refuse times inside a daylight-saving change.
    setTimeSpec(Qt::UTC);
    if (format == Format::ShortDate) {
        setDisplayFormat(text.dateFormat());
        setCalendarPopup(true);
        setDateTime(utc(QDate::currentDate(), QTime(0, 0)));
    } else {
        setDisplayFormat(text.timeFormat());
        setDateTime(utc(DateTime::zeroDate(), QTime(0, 0)));
    }
    // Last: a time-only editor pins its date range to the current date when its format or value
    // is set.
    setDateTimeRange(utc(QDate(1601, 1, 1), QTime(0, 0)),
                     utc(QDate(9999, 12, 31), QTime(23, 59, 59)));
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
    if (m_format == Format::ShortDate)
        setDate(value.date());
    else
        setTime(value.time());
}

bool DTPicker::focusNextPrevChild(bool next)
{
    // Skip the editor's own section stepping: Tab goes on to the next control.
    return QWidget::focusNextPrevChild(next);
}

void DTPicker::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    if ((key == Qt::Key_Left || key == Qt::Key_Right) && event->modifiers() == Qt::NoModifier) {
        const bool forward = (key == Qt::Key_Right) != (layoutDirection() == Qt::RightToLeft);
        const int section = currentSectionIndex() + (forward ? 1 : -1);
        if (section >= 0 && section < sectionCount()) {
            setCurrentSectionIndex(section);
            setSelectedSection(currentSection());
        }
        event->accept();
        return;
    }
    QDateTimeEdit::keyPressEvent(event);
}
