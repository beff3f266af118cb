#include "builder.h"

#include "controls/accessibility.h"
#include "controls/controls.h"
#include "controls/form.h"
#include "controls/readabletext.h"

#include <QFont>
#include <algorithm>
#include <map>
#include <type_traits>
#include <variant>

namespace {
// What a picker is made with: its locale text and the clock that tells it this year.
struct PickerSetting
{
    const DateTimeText& text;
    const Clock& clock;
};

QFont fontFrom(const FontStyle& row)
{
    QFont font(row.face);
    font.setPointSizeF(row.points);
    font.setBold(row.bold);
    return font;
}

void paintWhite(QWidget& widget, QPalette::ColorRole role = QPalette::Window)
{
    QPalette palette = widget.palette();
    palette.setColor(role, Qt::white);
    widget.setPalette(palette);
}

DTPicker* createPicker(DTPicker::Format format, QWidget& container, const PickerSetting& setting)
{
    auto* picker = new DTPicker(format, setting.text, setting.clock, &container);
    // A picker is named by the frame that holds it, as a sighted user reads it.
    if (auto* frame = qobject_cast<Frame*>(&container))
        picker->setAccessibleName(frame->title());
    return picker;
}

QWidget* createControl(const ControlRow& row, QWidget& container, const PickerSetting& setting)
{
    switch (row.kind) {
    case ControlKind::DatePicker:
        return createPicker(DTPicker::Format::ShortDate, container, setting);
    case ControlKind::TimePicker:
        return createPicker(DTPicker::Format::Time, container, setting);
    case ControlKind::PushButton: {
        auto* button = new PushButton(&container);
        button->setCaption(row.caption);
        paintWhite(*button, QPalette::Button);
        keepTextReadable(*button);
        return button;
    }
    case ControlKind::Frame: {
        auto* frame = new Frame(&container);
        frame->setTitle(row.caption);
        frame->setAutoFillBackground(true);
        paintWhite(*frame);
        return frame;
    }
    case ControlKind::Label:
        return new Label(&container);
    }
    return nullptr;
}

// A row whose kind makes another class of control than its member holds is a fault of the table.
void handBack(WindowControls& controls, const ControlRow& row, QWidget* control)
{
    std::visit(
        [&](auto member) {
            using Control = std::remove_pointer_t<std::decay_t<decltype(controls.*member)>>;
            controls.*member = qobject_cast<Control*>(control);
            if (!(controls.*member))
                qFatal("Control %s is not of the kind its member holds", qPrintable(row.name));
        },
        row.member);
}

void setUpWindow(Form& window, const WindowLayout& layout)
{
    window.setObjectName(layout.name);
    window.setWindowTitle(layout.title);
    window.setFont(fontFrom(layout.font));
    window.setFixedSize(pixelsFromTwips(layout.clientWidth), pixelsFromTwips(layout.clientHeight));
    Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                            Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (layout.buttons == TitleBarButtons::MinimiseAndClose)
        flags |= Qt::WindowMinimizeButtonHint;
    window.setWindowFlags(flags);
    window.setAutoFillBackground(true);
    paintWhite(window);
}

// Assistive technology lists a container's controls in the order they were made, so they are made
// in the order a reader meets them; the tab order is set apart.
std::vector<const ControlRow*> inReadingOrder(const WindowLayout& layout)
{
    std::vector<const ControlRow*> rows;
    for (const ControlRow& row : layout.controls)
        rows.push_back(&row);
    const auto rank = [&](const ControlRow* row) {
        const auto found =
            std::find(layout.readingOrder.begin(), layout.readingOrder.end(), row->name);
        return found - layout.readingOrder.begin();
    };
    std::stable_sort(rows.begin(), rows.end(),
                     [&](const ControlRow* a, const ControlRow* b) { return rank(a) < rank(b); });
    return rows;
}

void setTabOrder(const WindowLayout& layout, const std::map<QString, QWidget*>& made)
{
    std::vector<const ControlRow*> order;
    for (const ControlRow& row : layout.controls)
        if (row.tabIndex >= 0)
            order.push_back(&row);
    std::sort(order.begin(), order.end(),
              [](const ControlRow* a, const ControlRow* b) { return a->tabIndex < b->tabIndex; });
    QWidget* previous = nullptr;
    for (const ControlRow* row : order) {
        QWidget* widget = made.at(row->name);
        if (widget->focusPolicy() == Qt::NoFocus)
            continue;
        if (previous)
            QWidget::setTabOrder(previous, widget);
        else
            widget->setFocus(Qt::OtherFocusReason);
        previous = widget;
    }
}
} // namespace

QStringList layoutFaults(const WindowLayout& layout)
{
    QStringList faults;
    std::map<QString, int> rows;
    for (const ControlRow& row : layout.controls)
        if (++rows[row.name] == 2)
            faults << QStringLiteral("%1 names two rows").arg(row.name);
    for (const ControlRow& row : layout.controls)
        if (!row.container.isEmpty() && (row.container == row.name || !rows.count(row.container)))
            faults << QStringLiteral("%1 stands in %2, which is no other row")
                          .arg(row.name, row.container);
    std::map<QString, int> read;
    for (const QString& name : layout.readingOrder) {
        if (!rows.count(name))
            faults << QStringLiteral("the reading order names %1, which is no row").arg(name);
        else if (++read[name] == 2)
            faults << QStringLiteral("the reading order names %1 twice").arg(name);
    }
    for (const auto& [name, count] : rows)
        if (!read.count(name))
            faults << QStringLiteral("the reading order leaves out %1").arg(name);
    return faults;
}

WindowControls buildWindow(Form& window, const WindowLayout& layout, const DateTimeText& text,
                           const Clock& clock)
{
    if (const QStringList faults = layoutFaults(layout); !faults.isEmpty())
        qFatal("Layout %s: %s", qPrintable(layout.name),
               qPrintable(faults.join(QStringLiteral("; "))));
    WindowControls controls;
    installAccessibleInterfaces();
    const PickerSetting setting{text, clock};
    setUpWindow(window, layout);
    // Containers first: a control may be listed before the frame that holds it.
    std::map<QString, QWidget*> made{{QString(), &window}};
    std::vector<const ControlRow*> pending = inReadingOrder(layout);
    while (!pending.empty()) {
        const auto ready = std::stable_partition(pending.begin(), pending.end(), [&](auto* row) {
            return made.count(row->container) == 0;
        });
        if (ready == pending.end())
            qFatal("Layout %s has containers inside each other", qPrintable(layout.name));
        for (auto it = ready; it != pending.end(); ++it) {
            const ControlRow& row = **it;
            QWidget* control = createControl(row, *made.at(row.container), setting);
            control->setObjectName(row.name);
            if (row.font)
                control->setFont(fontFrom(*row.font));
            control->setGeometry(pixelsFromTwips(row.left), pixelsFromTwips(row.top),
                                 pixelsFromTwips(row.width), pixelsFromTwips(row.height));
            if (auto* label = qobject_cast<Label*>(control)) {
                paintWhite(*label);
                keepTextReadable(*label);
                label->setCaption(row.caption);
            }
            handBack(controls, row, control);
            made.emplace(row.name, control);
        }
        pending.erase(ready, pending.end());
    }
    setTabOrder(layout, made);
    return controls;
}
