#include "main.h"

#include "base/failure.h"
#include "controls/controls.h"
#include "controls/form.h"
#include "controls/readabletext.h"
#include "platform/cursorfile.h"
#include "shell/product.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QRadioButton>
#include <QUrl>

// Where an installed program finds its manual, from its own folder.
#ifndef SPAN_INSTALLED_MANUAL
#define SPAN_INSTALLED_MANUAL "manual.html"
#endif

namespace {
const QString skinFileLiteral = QStringLiteral("\\x\\o.cjs");
const QString handCursorFileLiteral = QStringLiteral("\\HAND-M.CUR");
constexpr int longestApplicationTitle = 40;
constexpr int handCursorSize = 32;

void paintButtonFace(QWidget& widget)
{
    // The role, not a colour read now, so the face follows the user's colour scheme.
    widget.setBackgroundRole(QPalette::Button);
    widget.setAutoFillBackground(true);
}

bool takesButtonFace(const QWidget& control)
{
    return qobject_cast<const QRadioButton*>(&control) ||
           qobject_cast<const QCheckBox*>(&control) || qobject_cast<const Frame*>(&control) ||
           qobject_cast<const Label*>(&control);
}

std::int32_t toInt32(const QVariant& value)
{
    bool ok = false;
    const int number = value.toInt(&ok);
    if (!ok)
        throw Failure(QStringLiteral("Type mismatch"));
    return number;
}
} // namespace

QString applicationTitleFrom(const QString& name)
{
    QString title = name;
    do {
        const qsizetype blank = title.lastIndexOf(QLatin1Char(' '));
        if (blank < 0)
            throw Failure(QStringLiteral("Invalid procedure call or argument"));
        title.truncate(blank);
    } while (title.size() > longestApplicationTitle);
    return title;
}

// Qt's own separator, '/', on every system: the program folder comes from Qt in that form, and
// Windows takes it too.
QString optionalFilePath(const QString& programFolder, const QString& literal)
{
    QString relative = literal;
    return programFolder + relative.replace(QLatin1Char('\\'), QLatin1Char('/'));
}

void Main::LoadSkinIfPresent(Form& form1)
{
    const QString skinFile = skinFilePath();
    if (m_platform.fileSystem.listNormalFile(skinFile).isEmpty())
        return;
    SetSystemBackColors(form1);
    SkinEngine& engine = m_platform.skinEngine;
    engine.call(2, {skinFile, QString()});
    engine.setProperty(1, toInt32(engine.property(1)) | 1);
    engine.setProperty(5, true);
    engine.setProperty(10, true);
    engine.call(3, {m_platform.windowHandles.handleOf(form1)});
}

void Main::SetSystemBackColors(QWidget& window)
{
    paintButtonFace(window);
    for (QWidget* control : window.findChildren<QWidget*>()) {
        if (!takesButtonFace(*control))
            continue;
        paintButtonFace(*control);
        // A frame keeps its caption readable as it paints; its text colour must not pass on to
        // the pickers it holds.
        if (!qobject_cast<const Frame*>(control))
            keepTextReadable(*control);
    }
}

void Main::SetApplicationTitle()
{
    // The application name, not the display name: Qt appends the display name to every window
    // title on some desktops, and window captions must stay as they are.
    QCoreApplication::setApplicationName(applicationTitleFrom(productName));
}

bool Main::FileExists(const QString& path) const
{
    try {
        m_platform.fileSystem.lastModified(path);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

QString Main::skinFilePath() const
{
    return optionalFilePath(m_platform.fileSystem.programFolder(), skinFileLiteral);
}

QString Main::handCursorFilePath() const
{
    return optionalFilePath(m_platform.fileSystem.programFolder(), handCursorFileLiteral);
}

// The manual stands wherever the program does: beside it in a build and on Windows, with the
// documentation where a package installs it.
QString Main::homePageAddress() const
{
    const QString folder = m_platform.fileSystem.programFolder();
    for (const QString& manual :
         {folder + QStringLiteral("/manual.html"),
          QDir::cleanPath(folder + QStringLiteral("/" SPAN_INSTALLED_MANUAL))}) {
        if (FileExists(manual))
            return QUrl::fromLocalFile(manual).toString();
    }
    throw Failure(QStringLiteral("The manual is missing from %1").arg(folder));
}

void Main::loadHandCursor(Form& window) const
{
    // The system pointer is 32 pixels at the ordinary scale and grows with it; so does the hand.
    const qreal scale = window.devicePixelRatioF();
    const int size = qRound(handCursorSize * scale);
    window.setMouseIcon(toCursor(loadCursorFile(handCursorFilePath(), size), scale));
}

void Main::pointerOverButton(Form& window)
{
    if (window.mousePointer() != HourglassPointer)
        window.setMousePointer(CustomPointer);
}

void Main::pointerOverSurface(Form& window)
{
    if (window.mousePointer() != HourglassPointer)
        window.setMousePointer(DefaultPointer);
}
