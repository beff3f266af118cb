#pragma once

#include "time/datetime.h"

#include <QMargins>
#include <QString>
#include <QVariant>
#include <QVariantList>
#include <cstdint>

class QWidget;

// The services the program takes from its surroundings. main() wires the real ones; tests wire
// fakes, and so control time, failures and the dice.

class Clock
{
public:
    virtual ~Clock() = default;
    // Local wall-clock date and time, whole seconds.
    virtual DateTime now() const = 0;
    // Seconds since local midnight, with the fraction the system timer gives.
    virtual double secondsSinceMidnight() const = 0;
};

class MessageBox
{
public:
    virtual ~MessageBox() = default;
    // Shows an application-modal warning with one OK button; returns once it is dismissed.
    virtual void showWarning(const QString& title, const QString& text) = 0;
};

class UrlOpener
{
public:
    virtual ~UrlOpener() = default;
    // Hands the address to the user's browser and does not wait; raises Failure when it cannot.
    virtual void open(const QString& address) = 0;
};

class RandomSource
{
public:
    virtual ~RandomSource() = default;
    virtual void seed(double seed) = 0;
    // A number in [0, 1).
    virtual double next() = 0;
};

class FileSystem
{
public:
    virtual ~FileSystem() = default;
    // The folder that holds the program, without a trailing separator.
    virtual QString programFolder() const = 0;
    // The path's last-modification time; raises Failure when it cannot be read.
    virtual DateTime lastModified(const QString& path) const = 0;
    // The name of the file at the path when it is a regular, visible file; empty otherwise.
    virtual QString listNormalFile(const QString& path) const = 0;
};

// The skin engine is driven by dispatch identifiers, as an automation object would be.
class SkinEngine
{
public:
    virtual ~SkinEngine() = default;
    virtual QVariant call(int dispatchId, const QVariantList& arguments) = 0;
    virtual QVariant property(int dispatchId) const = 0;
    virtual void setProperty(int dispatchId, const QVariant& value) = 0;
};

// Hands out the 32-bit handles by which windows are named to the skin engine.
class WindowHandles
{
public:
    virtual ~WindowHandles() = default;
    virtual std::int32_t handleOf(QWidget& window) = 0;
    virtual QWidget* windowOf(std::int32_t handle) const = 0;
};

// What the window system knows of our windows beyond what Qt's widgets say.
class WindowSystem
{
public:
    virtual ~WindowSystem() = default;
    // The frame the window manager will draw around the window, in logical pixels, known before
    // the window is first shown; none where it cannot be known (a frameless system says 0).
    virtual QMargins frameMarginsBeforeMap(QWidget& window) = 0;
    // Names the class a taskbar groups the window by; where there is no such class, nothing.
    virtual void setWindowClass(QWidget& window, const QString& className) = 0;
};

class ProgramEnd
{
public:
    virtual ~ProgramEnd() = default;
    // Leaves the event loop; the caller has already hidden the windows and stopped the timers.
    virtual void endProgram() = 0;
};

struct Platform
{
    Clock& clock;
    MessageBox& messageBox;
    UrlOpener& urlOpener;
    RandomSource& random;
    FileSystem& fileSystem;
    SkinEngine& skinEngine;
    WindowHandles& windowHandles;
    ProgramEnd& programEnd;
    WindowSystem& windowSystem;
};
