#include "controls.h"

#include "controls/accessibility.h"
#include "controls/linefit.h"
#include "controls/readabletext.h"
#include "platform/keystate.h"

#include <QAccessible>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionGroupBox>
#include <QStylePainter>
#include <QtMath>
#include <qdrawutil.h>

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
    announceNewName(this);
}

namespace {
bool isEnter(const QKeyEvent& event)
{
    return event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter;
}

// The key that last pressed a button with Enter: the one that may still be held when the window
// it opened takes the focus.
quint32 lastEnterScanCode = 0;
} // namespace

void PushButton::keyPressEvent(QKeyEvent* event)
{
    // Enter presses a focused button as Space does; but not an Enter held down since it opened
    // this button's window, which goes on repeating here until it is let go.
    if (!isEnter(*event)) {
        QPushButton::keyPressEvent(event);
        return;
    }
    event->accept();
    lastEnterScanCode = event->nativeScanCode();
    if (!event->isAutoRepeat() && !m_enterHeldSinceFocus)
        click();
}

void PushButton::keyReleaseEvent(QKeyEvent* event)
{
    if (isEnter(*event) && !keyIsDown(event->nativeScanCode()).value_or(false))
        m_enterHeldSinceFocus = false;
    QPushButton::keyReleaseEvent(event);
}

void PushButton::focusInEvent(QFocusEvent* event)
{
    m_enterHeldSinceFocus = keyIsDown(lastEnterScanCode).value_or(false);
    QPushButton::focusInEvent(event);
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

QRect Frame::captionRect() const
{
    QStyleOptionGroupBox option;
    initStyleOption(&option);
    return style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, this);
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
    const QBrush background = palette().brush(backgroundRole());
    if (testAttribute(Qt::WA_StyleSheet)) {
        // Under a skin the style sheet draws the border where it says.
        QStyleOptionGroupBox frameOnly = option;
        frameOnly.subControls = QStyle::SC_GroupBoxFrame;
        painter.drawComplexControl(QStyle::CC_GroupBox, frameOnly);
        // Some styles shade the interior. The contents start inside the border line and its inner
        // edge; on the right and at the bottom those are as wide as the border on the left.
        constexpr int borderWidth = 2;
        if (autoFillBackground())
            painter.fillRect(QRect(contentsRect().topLeft(),
                                   rect().bottomRight() - QPoint(borderWidth, borderWidth)),
                             background);
    } else {
        drawBorder(painter, captionRect());
    }
    option.subControls &= ~QStyle::SC_GroupBoxFrame;
    option.palette.setColor(
        QPalette::WindowText,
        readableOn(background.color(), option.palette.color(QPalette::WindowText)));
    painter.drawComplexControl(QStyle::CC_GroupBox, option);
}

// The layouts place the first row of controls just below the caption, where a style draws its
// border under the caption: the border runs through the caption's middle instead, broken where
// the caption stands, an etched line as a classic frame has.
void Frame::drawBorder(QPainter& painter, const QRect& caption) const
{
    constexpr int gap = 2;
    QRegion around(rect());
    if (!title().isEmpty())
        around -= caption.adjusted(-gap, 0, gap, 0);
    painter.save();
    painter.setClipRegion(around);
    const int middle = title().isEmpty() ? 0 : caption.center().y();
    qDrawShadeRect(&painter, QRect(QPoint(0, middle), rect().bottomRight()), palette(), true);
    painter.restore();
}

Label::Label(QWidget* parent) : QLabel(parent), m_askedFont(font())
{
    setWordWrap(false);
    setTextFormat(Qt::PlainText);
    setAutoFillBackground(true);
}

void Label::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange && !m_fitting) {
        m_askedFont = font();
        fitCaption();
    }
}

// Drawn at the fit's baseline: Qt would centre the line of the tallest font the caption falls back
// to. Placed and ordered as QLabel places a plain text: by the label's alignment, in the text's own
// direction.
void Label::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(palette().color(foregroundRole()));
    const QString shown = shownForm(text());
    painter.setLayoutDirection(shown.isRightToLeft() ? Qt::RightToLeft : Qt::LeftToRight);
    const QRect box = lineBox();
    const int width = qCeil(QFontMetricsF(font()).horizontalAdvance(shown));
    const bool right = QStyle::visualAlignment(layoutDirection(), alignment()) & Qt::AlignRight;
    painter.drawText(QPointF(right ? box.right() + 1 - width : box.left(), m_baseline), shown);
}

QSize Label::sizeHint() const
{
    QSize hint = QLabel::sizeHint();
    hint.rwidth() += m_overhang.left() + m_overhang.right();
    const QString shown = shownForm(text());
    if (shown != text()) {
        const QFontMetricsF metrics(font());
        const qreal wider = metrics.horizontalAdvance(shown) - metrics.horizontalAdvance(text());
        hint.rwidth() += qMax(0, qCeil(wider));
    }
    return hint;
}

void Label::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    if (event->oldSize().height() != height())
        fitCaption();
}

// The caption's font and baseline; a tick's new caption differs from the last mostly in its
// digits, which fit alike, so only a new kind of caption is measured.
void Label::fitCaption()
{
    const QString fittedAs =
        withDigitsAsZero(text()) + u'\n' + m_askedFont.key() + u'\n' + QString::number(height());
    if (fittedAs == m_fittedAs)
        return;
    m_fittedAs = fittedAs;
    // A pixel clear of the top and bottom, as the pickers' text.
    const QString shown = shownForm(text());
    const LineFit fit = fitLine(shown, m_askedFont, height() - 2);
    m_fitting = true;
    setFont(fit.font);
    m_fitting = false;
    m_baseline = 1 + fit.baseline;
    m_overhang = inkOverhang(shown, fit.font);
    update();
}

void Label::setCaption(const QString& caption)
{
    // Most writes of a tick repeat the caption shown; only a real change is drawn and announced.
    if (caption == text())
        return;
    const QString previous = text();
    setText(caption);
    fitCaption();
    resize(sizeHint().width(), height());
    if (QAccessible::isActive()) {
        QAccessibleTextUpdateEvent event(this, 0, previous, caption);
        QAccessible::updateAccessibility(&event);
    }
}
