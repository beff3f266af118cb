#include "accessibility.h"

#include "controls/controls.h"
#include "controls/form.h"
#include "controls/qtaccessibleupdates.h"
#include "controls/qtatspibridge.h"
#include "controls/textgeometry.h"

#include <QAccessibleWidget>
#include <QLineEdit>

namespace {

// One line of text as a widget shows it, offered through the text interface. Qt's own
// interfaces give a label no text interface, and a date-time picker a numeric value of 0.
class OneLineTextAccessible : public QAccessibleWidget, public QAccessibleTextInterface
{
public:
    OneLineTextAccessible(QWidget* widget, QAccessible::Role role) : QAccessibleWidget(widget, role)
    {}

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text type) const override
    {
        // An unnamed control is read by what it shows.
        if (type == QAccessible::Name && widget()->accessibleName().isEmpty())
            return shownText();
        return QAccessibleWidget::text(type);
    }

    QString text(int startOffset, int endOffset) const override
    {
        return shownText().mid(startOffset, endOffset - startOffset);
    }
    int characterCount() const override { return int(shownText().size()); }

    void selection(int, int* startOffset, int* endOffset) const override
    {
        *startOffset = *endOffset = 0;
    }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    void scrollToSubstring(int, int) override {}

    QString attributes(int, int* startOffset, int* endOffset) const override
    {
        *startOffset = 0;
        *endOffset = characterCount();
        return {};
    }

    QRect characterRect(int offset) const override
    {
        const QRect box = geometry().characterBox(offset);
        if (box.isNull())
            return {};
        return {textWidget().mapToGlobal(box.topLeft()), box.size()};
    }

    int offsetAtPoint(const QPoint& point) const override
    {
        const TextGeometry drawn = geometry();
        const QPoint local = textWidget().mapFromGlobal(point);
        for (qsizetype offset = 0; offset < drawn.size(); ++offset)
            if (drawn.characterBox(offset).contains(local))
                return static_cast<int>(offset);
        return -1;
    }

protected:
    virtual QString shownText() const = 0;
    // Where each character is drawn, in the coordinates of the widget that draws the text.
    virtual TextGeometry geometry() const = 0;
    virtual const QWidget& textWidget() const { return *widget(); }
};

class LabelAccessible : public OneLineTextAccessible
{
public:
    explicit LabelAccessible(Label* label) : OneLineTextAccessible(label, QAccessible::StaticText)
    {}

protected:
    QString shownText() const override { return label()->text(); }
    TextGeometry geometry() const override
    {
        return {label()->text(),    label()->font(),      label()->layoutDirection(),
                label()->lineBox(), label()->alignment(), label()->baseline()};
    }

private:
    Label* label() const { return static_cast<Label*>(widget()); }
};

// The picker offers the text it shows, with the caret and selection of the field being edited,
// and steps its field up and down on request. Its number is the value's seconds from the zero
// date: readers speak a spin button when that number changes, and speak the text, not the number.
class PickerAccessible : public OneLineTextAccessible, public QAccessibleValueInterface
{
public:
    explicit PickerAccessible(DTPicker* picker)
        : OneLineTextAccessible(picker, QAccessible::SpinBox)
    {}

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        return OneLineTextAccessible::interface_cast(type);
    }

    // Its fields take typed digits. A reader holds on to the text of a control it takes for
    // read-only, and would speak a step as the value shown before it.
    QAccessible::State state() const override
    {
        QAccessible::State state = OneLineTextAccessible::state();
        state.editable = picker()->isEnabled() && !picker()->isReadOnly();
        return state;
    }

    QVariant currentValue() const override { return qlonglong(picker()->value().seconds()); }
    void setCurrentValue(const QVariant& value) override
    {
        picker()->setValue(DateTime::fromSeconds(value.toLongLong()));
    }
    // A time picker's value lies on the zero date, whatever date its range gives.
    QVariant maximumValue() const override
    {
        return isTimeOnly() ? qlonglong(DateTime::secondsPerDay - 1)
                            : secondsOf(picker()->maximumDate());
    }
    QVariant minimumValue() const override
    {
        return isTimeOnly() ? 0 : secondsOf(picker()->minimumDate());
    }
    QVariant minimumStepSize() const override { return 1; }

    QStringList actionNames() const override
    {
        return QAccessibleWidget::actionNames() << increaseAction() << decreaseAction();
    }
    void doAction(const QString& action) override
    {
        if (action == increaseAction())
            picker()->stepUp();
        else if (action == decreaseAction())
            picker()->stepDown();
        else
            QAccessibleWidget::doAction(action);
    }

    int cursorPosition() const override { return editor().cursorPosition(); }
    void setCursorPosition(int position) override { editor().setCursorPosition(position); }
    int selectionCount() const override { return editor().hasSelectedText(); }
    void selection(int index, int* startOffset, int* endOffset) const override
    {
        *startOffset = *endOffset = 0;
        if (index == 0 && selectionCount() == 1) {
            *startOffset = editor().selectionStart();
            *endOffset = *startOffset + editor().selectionLength();
        }
    }

protected:
    QString shownText() const override { return picker()->text(); }
    TextGeometry geometry() const override { return TextGeometry::ofLineEdit(editor()); }
    const QWidget& textWidget() const override { return editor(); }

private:
    DTPicker* picker() const { return static_cast<DTPicker*>(widget()); }
    bool isTimeOnly() const { return picker()->format() == DTPicker::Format::Time; }
    static QVariant secondsOf(QDate bound)
    {
        return qlonglong(DateTime::fromDate(bound).seconds());
    }
    QLineEdit& editor() const { return *picker()->editor(); }
};

// A frame's caption is its name and its text: a reader's flat review finds a container only by the
// text it shows. Its description is read on request.
class FrameAccessible : public OneLineTextAccessible
{
public:
    explicit FrameAccessible(Frame* frame) : OneLineTextAccessible(frame, QAccessible::Grouping) {}

    QString text(QAccessible::Text type) const override
    {
        if (type == QAccessible::Description && !frame()->description().isEmpty())
            return frame()->description();
        return OneLineTextAccessible::text(type);
    }

protected:
    QString shownText() const override { return frame()->title(); }
    TextGeometry geometry() const override
    {
        return {frame()->title(), frame()->font(), frame()->layoutDirection(),
                frame()->captionRect(), frame()->alignment() | Qt::AlignVCenter};
    }

private:
    Frame* frame() const { return static_cast<Frame*>(widget()); }
};

// A push button that can be pressed through the reader, with its description read on request.
class ButtonAccessible : public QAccessibleWidget
{
public:
    explicit ButtonAccessible(PushButton* button) : QAccessibleWidget(button, QAccessible::Button)
    {}

    QString text(QAccessible::Text type) const override
    {
        if (type == QAccessible::Description && !button()->description().isEmpty())
            return button()->description();
        return QAccessibleWidget::text(type);
    }
    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.pressed = button()->isDown();
        return state;
    }
    QStringList actionNames() const override
    {
        return QStringList(pressAction()) << QAccessibleWidget::actionNames();
    }
    void doAction(const QString& action) override
    {
        if (action == pressAction())
            button()->click();
        else
            QAccessibleWidget::doAction(action);
    }

private:
    PushButton* button() const { return static_cast<PushButton*>(widget()); }
};

// Matched on our own classes, so Qt's interfaces keep serving their base classes. Qt asks with
// each class of the object in turn, the most derived first; an object of ours (a window is a
// Form) is matched at the first ask, and the class name asked with is not needed.
QAccessibleInterface* accessibleFor(const QString& /*className*/, QObject* object)
{
    if (auto* form = qobject_cast<Form*>(object))
        return new QAccessibleWidget(form, QAccessible::Window);
    if (auto* label = qobject_cast<Label*>(object))
        return new LabelAccessible(label);
    if (auto* picker = qobject_cast<DTPicker*>(object))
        return new PickerAccessible(picker);
    if (auto* frame = qobject_cast<Frame*>(object))
        return new FrameAccessible(frame);
    if (auto* button = qobject_cast<PushButton*>(object))
        return new ButtonAccessible(button);
    return nullptr;
}

// The date picker's calendar lives on, hidden, between openings, and its table announces each date
// the picker takes as a change of focus. A window that is not shown tells the reader nothing.
bool fromHiddenPopup(const QAccessibleEvent& event)
{
    const auto* widget = qobject_cast<const QWidget*>(event.object());
    if (!widget || event.type() == QAccessible::ObjectHide ||
        event.type() == QAccessible::ObjectDestroyed)
        return false;
    const QWidget* window = widget->window();
    return window->windowType() == Qt::Popup && !window->isVisible();
}

} // namespace

void installAccessibleInterfaces()
{
    static const bool installed = [] {
        holdBackAccessibleUpdates(&fromHiddenPopup);
        QAccessible::installFactory(&accessibleFor);
        return true;
    }();
    Q_UNUSED(installed);
}

#ifdef SPAN_ATSPI
namespace {
// The object's interface when a reader may be listening, else null.
QAccessibleInterface* listenedTo(QObject* object)
{
    return QAccessible::isActive() ? QAccessible::queryAccessibleInterface(object) : nullptr;
}
} // namespace
#endif

void announceNewName(QObject* object)
{
#ifdef SPAN_ATSPI
    // Where the bridge sends the name itself, readers drop the repeat.
    if (QAccessibleInterface* accessible = listenedTo(object))
        sendAtspiPropertyChange(accessible, QStringLiteral("accessible-name"),
                                accessible->text(QAccessible::Name));
#else
    Q_UNUSED(object);
#endif
}

void announceStaleDescription(QObject* object)
{
#ifdef SPAN_ATSPI
    // A value that is not a string: the reader's library drops the description it holds, and the
    // reader has nothing to speak.
    sendAtspiPropertyChange(listenedTo(object), QStringLiteral("accessible-description"), 0);
#else
    Q_UNUSED(object);
#endif
}
