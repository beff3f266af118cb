#pragma once

#include "controls/dtpicker.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>
#include <functional>

// Stand-ins for the program's outside controls: each offers the members the windows use
// (caption, value, click, mouse-move) and nothing the windows would have to work around.

// What a screen reader hears of a control after its name when asked where it is: worked out at
// the moment it is read, so nothing is sent while it changes.
class Described
{
public:
    void setDescriber(std::function<QString()> describer) { m_describer = std::move(describer); }
    QString description() const { return m_describer ? m_describer() : QString(); }

private:
    std::function<QString()> m_describer;
};

class PushButton : public QPushButton, public Described
{
    Q_OBJECT
public:
    explicit PushButton(QWidget* parent = nullptr);
    // Reads back exactly what was written; no mnemonic is taken from an ampersand.
    QString caption() const { return m_caption; }
    void setCaption(const QString& caption);

Q_SIGNALS:
    void mouseMoved();

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    QString m_caption;
    bool m_enterHeldSinceFocus = false;
};

class Frame : public QGroupBox, public Described
{
    Q_OBJECT
public:
    explicit Frame(QWidget* parent = nullptr);
    // Where the caption is drawn, in the frame's own coordinates.
    QRect captionRect() const;

Q_SIGNALS:
    void mouseMoved();

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    // The whole interior shows the frame's background, as the window and labels around it do, and
    // the caption reads on it.
    void paintEvent(QPaintEvent* event) override;

private:
    void drawBorder(QPainter& painter, const QRect& caption) const;
};

// A one-line label whose width follows its caption; its container clips what does not fit. The
// caption's ink sits whole in the label's height, in a smaller font where the font asked for is
// too tall for it.
class Label : public QLabel
{
    Q_OBJECT
public:
    explicit Label(QWidget* parent = nullptr);
    QString caption() const { return text(); }
    void setCaption(const QString& caption);
    // Where the caption's baseline is drawn, from the label's top.
    int baseline() const { return m_baseline; }
    // Where the caption's line is placed: inside the contents by as far as its ink hangs past the
    // line's ends.
    QRect lineBox() const { return contentsRect() - m_overhang; }
    // Wide enough for the caption's ink as drawn, which may differ from the caption.
    QSize sizeHint() const override;

protected:
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void fitCaption();

    QFont m_askedFont;  // the font given, before any fit
    QString m_fittedAs; // the caption, font and height the label was last fitted for
    bool m_fitting = false;
    int m_baseline = 0;
    QMargins m_overhang; // the caption's ink past the start and end of its line, drawn inside
};
