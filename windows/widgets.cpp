// Painting of the main panel's custom widgets. Sizes follow the widget's rectangle so
// that the panel can be resized; colours follow the palette where they are not the
// widget's own, and a disabled widget is drawn in greys.
#include "windows/widgets.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFontMetricsF>
#include <QFileInfo>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QSvgRenderer>
#include <QtMath>
#include <cmath>
#include <cstdlib>

#include "platform/files.h"
#include "platform/panels.h"

QString AppResourceDir() {
    char dir[4096];
    GetResourceDir(dir, sizeof dir);
    return QString::fromLocal8Bit(dir);
}

namespace {

template <typename Widget>
QWidget *Make(QWidget *parent) {
    return new Widget(parent);
}

// Bells blink by hiding, signs and lamps come and go: what stands beside them keeps its
// place.
void KeepPlaceWhenHidden(QWidget *w) {
    QSizePolicy policy = w->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    w->setSizePolicy(policy);
}

}  // namespace

void RegisterAppWidgets() {
    RegisterWidgetClass("CHThermometer", Make<CHThermometer>);
    RegisterWidgetClass("CHRainGauge", Make<CHRainGauge>);
    RegisterWidgetClass("CHPicture", Make<CHPicture>);
    RegisterWidgetClass("CHLed", Make<CHLed>);
    RegisterWidgetClass("CHCompass", Make<CHCompass>);
}

// ---- scale gauges ----------------------------------------------------------------------

CHScaleGauge::CHScaleGauge(QWidget *parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
}

// Values arrive every few seconds, mostly unchanged: only a change is drawn again.
void CHScaleGauge::setValue(double v) {
    if (std::isnan(v)) v = minimum_;
    if (v == value_) return;
    value_ = v;
    update();
}

void CHScaleGauge::setMinimum(double v) {
    if (v == minimum_) return;
    minimum_ = v;
    update();
}

void CHScaleGauge::setMaximum(double v) {
    if (v == maximum_) return;
    maximum_ = v;
    update();
}

void CHScaleGauge::setColor(const QColor &c) {
    if (c == color_) return;
    color_ = c;
    update();
}

void CHScaleGauge::setLabel(const QString &text) {
    if (text == label_) return;
    label_ = text;
    update();
}

double CHScaleGauge::FillShare() const {
    const double span = maximum_ - minimum_;
    if (!(span > 0.0)) return 0.0;
    const double share = (value_ - minimum_) / span;
    if (!(share > 0.0)) return 0.0;
    return share > 1.0 ? 1.0 : share;
}

QColor CHScaleGauge::PaintColour() const {
    if (!isEnabled()) return QColor(0xb0, 0xb0, 0xb0);
    return color_;
}

// Labelled ticks beside the column at round values (steps of 1, 2, 2.5 or 5 times a
// power of ten, four to six of them), from minimum at the bottom to maximum on top.
void CHScaleGauge::PaintScale(QPainter &p, const QRectF &column) const {
    const double span = maximum_ - minimum_;
    if (!(span > 0.0) || column.height() <= 0) return;
    QFont f = font();
    f.setPointSizeF(qMax(6.5, f.pointSizeF() - 1.5));
    p.setFont(f);
    const QColor ink = isEnabled() ? palette().color(QPalette::WindowText) : QColor(0xa0, 0xa0, 0xa0);
    p.setPen(QPen(ink, 1));
    const double magnitude = std::pow(10.0, std::floor(std::log10(span / 5.0)));
    double step = magnitude;
    for (const double factor : {1.0, 2.0, 2.5, 5.0, 10.0}) {
        step = factor * magnitude;
        if (span / step <= 6.0) break;
    }
    const int decimals = step < 1.0 ? (step < 0.1 ? 2 : 1) : 0;
    for (double v = std::ceil(minimum_ / step - 1e-9) * step; v <= maximum_ + step * 1e-6; v += step) {
        const double y = column.bottom() - (v - minimum_) / span * column.height();
        p.drawLine(QPointF(column.right() + 2, y), QPointF(column.right() + 6, y));
        QString label = QString::number(std::fabs(v) < step * 1e-6 ? 0.0 : v, 'f', decimals);
        if (!label_.isEmpty() && v + step > maximum_ + step * 1e-6) label += QLatin1Char(' ') + label_;
        p.drawText(QRectF(column.right() + 8, y - 8, width() - column.right() - 8, 16),
                   Qt::AlignLeft | Qt::AlignVCenter, label);
    }
}

// Room the scale's labels need to the right of the column.
double CHScaleGauge::LabelRoom() const {
    QFont f = font();
    f.setPointSizeF(qMax(6.5, f.pointSizeF() - 1.5));
    const QFontMetricsF m(f);
    const double widest = qMax(m.horizontalAdvance(QString::number(maximum_, 'f', 0) + QLatin1Char(' ') + label_),
                               m.horizontalAdvance(QString::number(minimum_, 'f', 0)));
    return widest + m.horizontalAdvance(QStringLiteral(".0")) + 10;
}

CHThermometer::CHThermometer(QWidget *parent) : CHScaleGauge(parent) {
    color_ = QColor(0xc0, 0x39, 0x2b);
    minimum_ = -30.0;
    maximum_ = 70.0;
}

void CHThermometer::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const double bulb = qMin(width() * 0.42, 26.0);
    const double tube = bulb * 0.45;
    const double cx = bulb / 2 + 4;
    const QRectF bulb_rect(cx - bulb / 2, height() - bulb - 3, bulb, bulb);
    const QRectF tube_rect(cx - tube / 2, 6, tube, bulb_rect.top() - 6 + bulb * 0.3);
    const QRectF column(tube_rect.left(), tube_rect.top() + tube / 2, tube_rect.width(),
                        bulb_rect.top() - tube_rect.top() - tube / 2 - 2);
    QPainterPath glass;
    glass.addRoundedRect(tube_rect, tube / 2, tube / 2);
    glass.addEllipse(bulb_rect);
    glass.setFillRule(Qt::WindingFill);
    p.setPen(QPen(palette().color(QPalette::Mid), 1.2));
    p.setBrush(QColor(0xfa, 0xfa, 0xfa));
    p.drawPath(glass.simplified());
    const QColor fill = PaintColour();
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    const double inset = tube * 0.22;
    const double level = column.height() * FillShare();
    p.drawRect(QRectF(column.left() + inset, column.bottom() - level, column.width() - 2 * inset,
                      level + bulb * 0.5));
    p.drawEllipse(bulb_rect.adjusted(bulb * 0.15, bulb * 0.15, -bulb * 0.15, -bulb * 0.15));
    PaintScale(p, QRectF(tube_rect.left(), column.top(), tube_rect.width(), column.height()));
}

CHRainGauge::CHRainGauge(QWidget *parent) : CHScaleGauge(parent) {
    color_ = QColor(0x2a, 0x7f, 0xd4);
    minimum_ = 0.0;
    maximum_ = 100.0;
}

void CHRainGauge::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const double w = qBound(10.0, width() - LabelRoom() - 4, 34.0);
    const QRectF vessel(3, 6, w, height() - 10);
    const double level = vessel.height() * FillShare();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xf4, 0xf8, 0xfc));
    p.drawRoundedRect(vessel, 3, 3);
    QColor water = PaintColour();
    p.setBrush(water);
    p.drawRoundedRect(QRectF(vessel.left(), vessel.bottom() - level, vessel.width(), level), 3, 3);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(palette().color(QPalette::Mid), 1.2));
    p.drawRoundedRect(vessel, 3, 3);
    // the funnel's rim
    p.drawLine(QPointF(vessel.left() - 2, vessel.top()), QPointF(vessel.right() + 2, vessel.top()));
    PaintScale(p, vessel);
}

// ---- pictures --------------------------------------------------------------------------

CHPicture::CHPicture(QWidget *parent) : QWidget(parent), svg_(new QSvgRenderer(this)) {
    KeepPlaceWhenHidden(this);
}

void CHPicture::setValue(int v) {
    if (v == value_) return;
    value_ = v;
    LoadPicture();
}

void CHPicture::setPictures(const QString &list) {
    if (list == pictures_) return;
    pictures_ = list;
    files_ = list.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    LoadPicture();
}

// The picture is read when it changes, not on every paint: the panels are painted
// again whenever anything beside the picture changes.
void CHPicture::LoadPicture() {
    QString path;
    if (value_ >= 0 && value_ < files_.size())
        path = AppResourceDir() + QLatin1Char('/') + files_.at(value_).trimmed();
    if (path.isEmpty() || !QFileInfo::exists(path) || !svg_->load(path)) svg_->load(QByteArray());
    update();
}

void CHPicture::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const int side = qMin(width(), height());
    const QRectF box((width() - side) / 2.0, (height() - side) / 2.0, side, side);
    if (!isEnabled()) p.setOpacity(0.35);
    if (svg_->isValid()) {
        svg_->render(&p, box);
        return;
    }
    // No picture for this index: a dashed frame, so the place stays visible.
    p.setPen(QPen(palette().color(QPalette::Mid), 1, Qt::DashLine));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(box.adjusted(2, 2, -2, -2), 4, 4);
    p.drawText(box, Qt::AlignCenter, QStringLiteral("?"));
}

// ---- lamps -----------------------------------------------------------------------------

CHLed::CHLed(QWidget *parent) : QWidget(parent) { KeepPlaceWhenHidden(this); }

// The blink timer sets every lamp twice a second; only a lamp that changes is drawn again.
void CHLed::setValue(int v) {
    if (v == value_) return;
    value_ = v;
    update();
}

void CHLed::setOnColor(const QColor &c) {
    if (c == on_color_) return;
    on_color_ = c;
    update();
}

void CHLed::changeEvent(QEvent *event) {
    // A palette set on this lamp itself (not inherited) carries the program's colour.
    if (event->type() == QEvent::PaletteChange && testAttribute(Qt::WA_SetPalette)) {
        on_color_ = palette().color(QPalette::WindowText);
        update();
    }
    QWidget::changeEvent(event);
}

void CHLed::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const double side = qMin(width(), height()) - 2.0;
    const QRectF r((width() - side) / 2.0, (height() - side) / 2.0, side, side);
    QColor base = value_ != 0 ? on_color_ : on_color_.darker(260);
    if (value_ == 0) base.setAlpha(90);
    // A dimmed lamp that is lit still shows its colour, paler: it may be the very sign
    // that something waits (a change sent, not yet confirmed).
    if (!isEnabled()) {
        if (value_ == 0) base = QColor(0xc8, 0xc8, 0xc8);
        else base.setAlpha(150);
    }
    QRadialGradient g(r.center() - QPointF(side * 0.18, side * 0.18), side * 0.7);
    g.setColorAt(0.0, base.lighter(value_ != 0 ? 160 : 120));
    g.setColorAt(1.0, base);
    p.setBrush(g);
    p.setPen(QPen(QColor(0x70, 0x70, 0x70), 0.8));
    p.drawEllipse(r);
}

// ---- wind rose -------------------------------------------------------------------------

CHCompass::CHCompass(QWidget *parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
}

void CHCompass::setValue(int v) {
    if (v == value_) return;
    value_ = v;
    update();
}

void CHCompass::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const double side = qMin(width(), height()) - 4.0;
    const QPointF c(width() / 2.0, height() / 2.0);
    const double r = side / 2.0;
    const bool on = isEnabled();
    p.setPen(QPen(palette().color(QPalette::Mid), 1.2));
    p.setBrush(QColor(0xfb, 0xfb, 0xf8));
    p.drawEllipse(c, r, r);
    const QColor ink = on ? palette().color(QPalette::WindowText) : QColor(0xa8, 0xa8, 0xa8);
    for (int i = 0; i < 16; ++i) {
        const double a = qDegreesToRadians(i * 22.5);
        const double inner = (i % 4 == 0) ? r * 0.78 : (i % 2 == 0 ? r * 0.85 : r * 0.9);
        p.setPen(QPen(ink, i % 4 == 0 ? 2.0 : 1.0));
        p.drawLine(QPointF(c.x() + inner * std::sin(a), c.y() - inner * std::cos(a)),
                   QPointF(c.x() + r * 0.97 * std::sin(a), c.y() - r * 0.97 * std::cos(a)));
    }
    // North marker: a small filled triangle on the rim.
    QPolygonF north;
    north << QPointF(c.x(), c.y() - r * 0.62) << QPointF(c.x() - r * 0.07, c.y() - r * 0.76)
          << QPointF(c.x() + r * 0.07, c.y() - r * 0.76);
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawPolygon(north);
    if (value_ < 0 || value_ > 15) return;
    // The pointer shows where the wind comes from.
    p.save();
    p.translate(c);
    p.rotate(value_ * 22.5);
    QPolygonF arrow;
    arrow << QPointF(0, -r * 0.70) << QPointF(r * 0.13, r * 0.05) << QPointF(0, -r * 0.05)
          << QPointF(-r * 0.13, r * 0.05);
    p.setBrush(on ? QColor(0x1f, 0x5f, 0xa8) : QColor(0xb8, 0xb8, 0xb8));
    p.drawPolygon(arrow);
    QPolygonF tail;
    tail << QPointF(0, r * 0.45) << QPointF(r * 0.08, r * 0.05) << QPointF(-r * 0.08, r * 0.05);
    p.setBrush(on ? QColor(0x9a, 0xb8, 0xd8) : QColor(0xd0, 0xd0, 0xd0));
    p.drawPolygon(tail);
    p.restore();
    p.setBrush(ink);
    p.drawEllipse(c, r * 0.05, r * 0.05);
}
