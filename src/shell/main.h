#pragma once

#include "platform/platform.h"

#include <QString>

class Form;
class QWidget;

// Procedures shared by the windows: the skin, the system colours, the hand pointer, the
// application title and the file test. None traps its own failures but FileExists.
class Main
{
public:
    explicit Main(const Platform& platform) : m_platform(platform) {}

    void LoadSkinIfPresent(Form& form1);
    static void SetSystemBackColors(QWidget& window);
    static void SetApplicationTitle();
    bool FileExists(const QString& path) const;

    QString skinFilePath() const;
    QString handCursorFilePath() const;
    // The home page: the program's own manual, as a file address.
    QString homePageAddress() const;
    // Loads the hand cursor file as the window's custom pointer image.
    void loadHandCursor(Form& window) const;

    // The pointer over a push button, and over a window's surface or a frame; the hourglass stays.
    static void pointerOverButton(Form& window);
    static void pointerOverSurface(Form& window);

private:
    const Platform& m_platform;
};

// The product name cut at its last blank, at least once, until it is 40 characters or fewer.
QString applicationTitleFrom(const QString& name);
// The program folder followed by a file literal whose backslashes stand for the separator.
QString optionalFilePath(const QString& programFolder, const QString& literal);
