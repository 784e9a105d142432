// The main panel's pictures that no standard control gives: thermometers, rain gauges,
// pictures chosen by index (weather, trend arrow, alarm bells), lamps and the wind rose.
// They are painted here so that the panel reads at a glance; the resource file names
// them by class, and RegisterAppWidgets makes the classes known to the panel loader.
// Each shows its "value" property; a dimmed (disabled) widget is painted greyed out.
#pragma once
#include <QColor>
#include <QString>
#include <QStringList>
#include <QWidget>

// Makes the classes below known to the panel loader. Call before the first LoadPanel.
void RegisterAppWidgets();

// The folder the program's pictures are taken from (GetResourceDir: the build tree or
// the installed share folder).
QString AppResourceDir();

// A vertical scale with a filled column; the base of the thermometer and the rain gauge.
class CHScaleGauge : public QWidget {
    Q_OBJECT
    Q_PROPERTY(double value READ value WRITE setValue)
    Q_PROPERTY(double minimum READ minimum WRITE setMinimum)
    Q_PROPERTY(double maximum READ maximum WRITE setMaximum)
    Q_PROPERTY(QColor color READ color WRITE setColor)
    // Shown after the number of the scale's top mark: the unit ("20 mm").
    Q_PROPERTY(QString label READ label WRITE setLabel)
public:
    explicit CHScaleGauge(QWidget *parent = nullptr);
    QString label() const { return label_; }
    void setLabel(const QString &text);
    double value() const { return value_; }
    void setValue(double v);
    double minimum() const { return minimum_; }
    void setMinimum(double v);
    double maximum() const { return maximum_; }
    void setMaximum(double v);
    QColor color() const { return color_; }
    void setColor(const QColor &c);
    QSize sizeHint() const override { return QSize(72, 200); }

protected:
    // Share of the column that is filled, 0..1, whatever value and range hold.
    double FillShare() const;
    void PaintScale(class QPainter &p, const QRectF &column) const;
    double LabelRoom() const;
    QColor PaintColour() const;
    double value_ = 0.0;
    double minimum_ = 0.0;
    double maximum_ = 100.0;
    QColor color_;
    QString label_;
};

class CHThermometer : public CHScaleGauge {
    Q_OBJECT
public:
    explicit CHThermometer(QWidget *parent = nullptr);

protected:
    void paintEvent(class QPaintEvent *) override;
};

class CHRainGauge : public CHScaleGauge {
    Q_OBJECT
public:
    explicit CHRainGauge(QWidget *parent = nullptr);

protected:
    void paintEvent(class QPaintEvent *) override;
};

// One of several SVG pictures, chosen by index ("pictures": file names separated by ';').
// A picture that cannot be loaded is drawn as a marked empty frame.
class CHPicture : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int value READ value WRITE setValue)
    Q_PROPERTY(QString pictures READ pictures WRITE setPictures)
public:
    explicit CHPicture(QWidget *parent = nullptr);
    int value() const { return value_; }
    void setValue(int v);
    QString pictures() const { return pictures_; }
    void setPictures(const QString &list);
    QSize sizeHint() const override { return QSize(48, 48); }

protected:
    void paintEvent(class QPaintEvent *) override;

private:
    void LoadPicture();

    int value_ = 0;
    QString pictures_;
    QStringList files_;
    class QSvgRenderer *svg_;  // the picture of value_, owned by this widget
};

// A round lamp, lit in its colour when the value is not 0. The colour is `onColor`, or
// the text colour once the program sets one (the panels' colour attribute).
class CHLed : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int value READ value WRITE setValue)
    Q_PROPERTY(QColor onColor READ onColor WRITE setOnColor)
    Q_PROPERTY(QColor color READ onColor WRITE setOnColor)
public:
    explicit CHLed(QWidget *parent = nullptr);
    int value() const { return value_; }
    void setValue(int v);
    QColor onColor() const { return on_color_; }
    void setOnColor(const QColor &c);
    QSize sizeHint() const override { return QSize(16, 16); }

protected:
    void paintEvent(class QPaintEvent *) override;
    void changeEvent(class QEvent *event) override;

private:
    int value_ = 0;
    QColor on_color_ = QColor(0xe0, 0x20, 0x20);
};

// A wind rose with a pointer for the direction 0..15 (22.5 degree steps from north);
// any other value shows no pointer.
class CHCompass : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int value READ value WRITE setValue)
public:
    explicit CHCompass(QWidget *parent = nullptr);
    int value() const { return value_; }
    void setValue(int v);
    QSize sizeHint() const override { return QSize(130, 130); }

protected:
    void paintEvent(class QPaintEvent *) override;

private:
    int value_ = 16;
};
