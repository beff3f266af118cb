#include "accessibility.h"

#include "controls.h"
#include "form.h"

#include <QAccessibleWidget>
#include <QFontMetrics>
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
        const QString shown = shownText();
        if (offset < 0 || offset >= shown.size())
            return {};
        const QFontMetrics metrics(widget()->font());
        const QRect box = textBox();
        const int left = box.left() + metrics.horizontalAdvance(shown.left(offset));
        const int top = box.top() + (box.height() - metrics.height()) / 2;
        const QRect local(left, top, metrics.horizontalAdvance(shown.mid(offset, 1)),
                          metrics.height());
        return {widget()->mapToGlobal(local.topLeft()), local.size()};
    }

    int offsetAtPoint(const QPoint& point) const override
    {
        for (int offset = 0; offset < characterCount(); ++offset)
            if (characterRect(offset).contains(point))
                return offset;
        return -1;
    }

protected:
    virtual QString shownText() const = 0;
    // Where the line is drawn, left-aligned and centred on its height, in the widget's own
    // coordinates.
    virtual QRect textBox() const = 0;
};

class LabelAccessible : public OneLineTextAccessible
{
public:
    explicit LabelAccessible(QLabel* label) : OneLineTextAccessible(label, QAccessible::StaticText)
    {}

protected:
    QString shownText() const override { return label()->text(); }
    QRect textBox() const override { return label()->contentsRect(); }

private:
    QLabel* label() const { return static_cast<QLabel*>(widget()); }
};

// A date-time value has no number a reader could use, so the picker offers its text alone, with
// the caret and selection of the field being edited, and steps its field up and down on request.
class PickerAccessible : public OneLineTextAccessible
{
public:
    explicit PickerAccessible(QDateTimeEdit* picker)
        : OneLineTextAccessible(picker, QAccessible::SpinBox)
    {}

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

    int cursorPosition() const override { return editor() ? editor()->cursorPosition() : 0; }
    void setCursorPosition(int position) override
    {
        if (editor())
            editor()->setCursorPosition(position);
    }
    int selectionCount() const override { return editor() && editor()->hasSelectedText(); }
    void selection(int index, int* startOffset, int* endOffset) const override
    {
        *startOffset = *endOffset = 0;
        if (index == 0 && selectionCount() == 1) {
            *startOffset = editor()->selectionStart();
            *endOffset = *startOffset + editor()->selectionLength();
        }
    }

protected:
    QString shownText() const override { return picker()->text(); }
    QRect textBox() const override
    {
        if (!editor())
            return picker()->rect();
        // The editor keeps a small margin of its own inside its contents.
        constexpr int editorMargin = 2;
        const QMargins margins = editor()->textMargins() + QMargins(editorMargin, 0, 0, 0);
        const QRect box = editor()->contentsRect().marginsRemoved(margins);
        return box.translated(editor()->pos());
    }

private:
    QDateTimeEdit* picker() const { return static_cast<QDateTimeEdit*>(widget()); }
    QLineEdit* editor() const
    {
        return picker()->findChild<QLineEdit*>(QString(), Qt::FindDirectChildrenOnly);
    }
};

QAccessibleInterface* accessibleFor(const QString& className, QObject* object)
{
    // Matched on our own classes, so Qt's interfaces keep serving their base classes.
    if (className == QLatin1String("Form"))
        return new QAccessibleWidget(static_cast<Form*>(object), QAccessible::Window);
    if (className == QLatin1String("Label"))
        return new LabelAccessible(static_cast<Label*>(object));
    if (className == QLatin1String("DTPicker"))
        return new PickerAccessible(static_cast<DTPicker*>(object));
    return nullptr;
}

} // namespace

void installAccessibleInterfaces()
{
    static const bool installed = [] {
        QAccessible::installFactory(&accessibleFor);
        return true;
    }();
    Q_UNUSED(installed);
}
