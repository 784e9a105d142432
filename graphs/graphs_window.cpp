// The graphs window. Five axis rects share one time axis: dragging or zooming any of them
// moves all, and every move redraws each series from its column summaries, so the
// window costs the same for a day of data as for twenty years. Values stay in base units
// in the series and are turned into the user's units only for the points drawn.
#include "graphs/graphs_window.h"

#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QToolTip>
#include <QVBoxLayout>
#include <cmath>
#include <cstring>
#include <ctime>
#include <qcustomplot.h>

#include "windows/KOR.h"
#include "windows/display.h"
#include "windows/kor_panels.h"
#include "records/ui_data.h"
#include "graphs/graph_columns.h"
#include "graphs/graphs_state.h"
#include "windows/history_save.h"
#include "platform/panels.h"
#include "platform/popups.h"
#include "values/conversions.h"
#include "values/localisation.h"
#include "values/time_scales.h"
#include "values/time_texts.h"
#include "records/ui_listeners.h"

namespace {

constexpr int kTextSize = 304;
constexpr double kDay = 86400.0;
constexpr double kSpan[RANGE_COUNT] = {kDay, 7 * kDay, 31 * kDay, 366 * kDay, 0.0};
constexpr double kShortestSpan = 600.0;  // zooming in stops at ten minutes

GraphsState *graphs = nullptr;

struct SeriesLook {
    int rect;
    int name;  // text of the texts panel
    QColor colour;
};

// SERIES_RAIN is drawn as bars, not as a line.
const SeriesLook kLines[SERIES_COUNT] = {
    {RECT_TEMPERATURE, TXTP_COL_ITEMP, QColor(214, 96, 0)},
    {RECT_TEMPERATURE, TXTP_COL_OTEMP, QColor(0, 90, 200)},
    {RECT_TEMPERATURE, TXTP_COL_DEW, QColor(40, 150, 60)},
    {RECT_TEMPERATURE, TXTP_COL_CHILL, QColor(140, 60, 170)},
    {RECT_HUMIDITY, TXTP_COL_IHUM, QColor(214, 96, 0)},
    {RECT_HUMIDITY, TXTP_COL_OHUM, QColor(0, 90, 200)},
    {RECT_PRESSURE, TXTP_COL_PRESS_REL, QColor(60, 60, 60)},
    {RECT_WIND, TXTP_COL_WIND, QColor(0, 130, 130)},
    {RECT_RAIN, TXTP_COL_RAIN, QColor(30, 100, 220)},
};

QString Text(int text) {
    char buffer[kTextSize];
    return QString::fromUtf8(GetPanelText(text, buffer, sizeof buffer));
}

// The series' name: the pressure's follows the kind the user chose.
int SeriesName(int series) {
    return series == SERIES_PRESSURE && setup.absolute_pressure ? TXTP_COL_PRESS_ABS
                                                                : kLines[series].name;
}

QCPAxis *TimeAxis(const GraphsState *g, int rect) { return g->rect[rect]->axis(QCPAxis::atBottom); }

int PressureQuantity() {
    return setup.absolute_pressure ? QUANTITY_ABSOLUTE_PRESSURE : QUANTITY_RELATIVE_PRESSURE;
}

int QuantityOf(int series) {
    switch (series) {
    case SERIES_INDOOR_TEMPERATURE: return QUANTITY_INDOOR_TEMPERATURE;
    case SERIES_INDOOR_HUMIDITY:
    case SERIES_OUTDOOR_HUMIDITY: return QUANTITY_HUMIDITY;
    case SERIES_PRESSURE: return PressureQuantity();
    case SERIES_WIND_SPEED: return QUANTITY_WIND_SPEED;
    case SERIES_RAIN: return QUANTITY_RAIN_TOTAL;
    default: return QUANTITY_OUTDOOR_TEMPERATURE;
    }
}

// A base-unit value in the user's unit, not cut: the graph shows it as it is.
double UserValue(int series, double base) {
    if (std::isnan(base)) return base;
    const float v = static_cast<float>(base);
    switch (series) {
    case SERIES_INDOOR_HUMIDITY:
    case SERIES_OUTDOOR_HUMIDITY: return base;
    case SERIES_PRESSURE:
        return ConvertPressureFromUnitToUnit(PRESSURE_KIND_ABSOLUTE, PRESSURE_UNIT_HPA,
                                             setup.absolute_pressure ? PRESSURE_KIND_ABSOLUTE
                                                                     : PRESSURE_KIND_RELATIVE,
                                             setup.units.pressure_unit, &v,
                                             UI_data.pressure.rel_offset);
    case SERIES_WIND_SPEED: return ConvertSpeedFromUnitToUnit(WIND_UNIT_MPS, setup.units.wind_unit, &v);
    case SERIES_RAIN: return setup.units.rain_unit == 1 ? base * INCH_PER_MM : base;
    default: return setup.units.temperature_unit == 1 ? CelsiusToFahrenheit(base) : base;
    }
}

QString UnitText(int series) {
    if (series == SERIES_INDOOR_HUMIDITY || series == SERIES_OUTDOOR_HUMIDITY) return "%";
    // A value every unit shows as a number, so that the unit text is given.
    const float sample = series == SERIES_PRESSURE ? 1000.0f : 0.0f;
    return QString::fromUtf8(
        LocaliseMeasuredValues(QuantityOf(series), &setup.units, &sample)->unit_text);
}

GraphsLook CurrentLook() {
    GraphsLook look{};
    look.units = setup.units;
    look.absolute_pressure = setup.absolute_pressure;
    look.decimal_comma = setup.decimal_comma;
    look.time_24h = setup.time_24h;
    memcpy(look.language_file, setup.language_file, sizeof look.language_file);
    look.rel_offset = UI_data.pressure.rel_offset;
    return look;
}

double NewestKey(const GraphsState *g) {
    return g->series.time.empty() ? static_cast<double>(time(nullptr)) + g->local_shift
                                  : static_cast<double>(g->series.time.back()) + g->local_shift;
}

double OldestKey(const GraphsState *g) {
    return g->series.time.empty() ? NewestKey(g) - 7 * kDay
                                  : static_cast<double>(g->series.time.front()) + g->local_shift;
}

// ---- Drawing ------------------------------------------------------------------------

QVector<QCPGraphData> Points(const std::vector<double> &keys, const std::vector<double> &values,
                             int series, int32_t shift) {
    QVector<QCPGraphData> data(static_cast<int>(keys.size()));
    for (size_t i = 0; i < keys.size(); ++i)
        data[static_cast<int>(i)] = QCPGraphData(keys[i] + shift, UserValue(series, values[i]));
    return data;
}

// Widens lo..hi to the values drawn inside the time range; gaps are not values.
void TakeValueSpan(const QVector<QCPGraphData> &data, double from, double to, double *lo, double *hi) {
    for (const QCPGraphData &d : data) {
        if (std::isnan(d.value) || d.key < from || d.key > to) continue;
        if (std::isnan(*lo) || d.value < *lo) *lo = d.value;
        if (std::isnan(*hi) || d.value > *hi) *hi = d.value;
    }
}

void SetValueRange(QCPAxis *axis, double lo, double hi, double least_span) {
    if (std::isnan(lo)) return;
    double span = hi - lo;
    if (span < least_span) {
        const double middle = (hi + lo) / 2;
        lo = middle - least_span / 2;
        hi = middle + least_span / 2;
        span = least_span;
    }
    axis->setRange(lo - span * 0.08, hi + span * 0.08);
}

void DrawLines(GraphsState *g, const ColumnBounds &b) {
    std::vector<double> keys, values;
    double lo[RECT_COUNT], hi[RECT_COUNT];
    for (int r = 0; r < RECT_COUNT; ++r) lo[r] = hi[r] = NAN;
    for (int s = 0; s < SERIES_COUNT; ++s) {
        if (g->line[s] == nullptr) continue;
        SummariseColumns(g->series, b, s, COLUMN_MIN_MAX, &keys, &values);
        const QVector<QCPGraphData> data = Points(keys, values, s, g->local_shift);
        g->line[s]->data()->set(data, true);
        TakeValueSpan(data, b.from + g->local_shift, b.to + g->local_shift, &lo[kLines[s].rect],
                      &hi[kLines[s].rect]);
    }
    SetValueRange(g->rect[RECT_TEMPERATURE]->axis(QCPAxis::atLeft), lo[RECT_TEMPERATURE],
                  hi[RECT_TEMPERATURE], 2.0);
    SetValueRange(g->rect[RECT_PRESSURE]->axis(QCPAxis::atLeft), lo[RECT_PRESSURE],
                  hi[RECT_PRESSURE], setup.units.pressure_unit == PRESSURE_UNIT_INHG ? 0.1 : 4.0);
    if (!std::isnan(hi[RECT_WIND]))
        g->rect[RECT_WIND]->axis(QCPAxis::atLeft)->setRange(0, std::max(hi[RECT_WIND] * 1.1, 1.0));
}

void DrawRain(GraphsState *g, const ColumnBounds &b) {
    std::vector<double> keys, values;
    SummariseColumns(g->series, b, SERIES_RAIN, COLUMN_MAX, &keys, &values);
    QVector<QCPBarsData> bars(static_cast<int>(keys.size()));
    double highest = 0;
    for (size_t i = 0; i < keys.size(); ++i) {
        const double v = UserValue(SERIES_RAIN, values[i]);
        bars[static_cast<int>(i)] = QCPBarsData(keys[i] + g->local_shift, v);
        highest = std::max(highest, v);
    }
    g->rain->data()->set(bars, true);
    // A bar is as wide as a column, or as the interval between data sets when they are
    // further apart than a column.
    double width = (b.to - b.from) / b.columns;
    if (b.raw && b.end - b.first >= 2)
        width = std::max(width, static_cast<double>(g->series.time[b.end - 1] - g->series.time[b.first]) /
                                    static_cast<double>(b.end - b.first - 1));
    g->rain->setWidth(width * 0.8);
    const double least = setup.units.rain_unit == 1 ? 0.04 : 1.0;
    g->rect[RECT_RAIN]->axis(QCPAxis::atLeft)->setRange(0, std::max(highest * 1.1, least));
}

void DrawDirections(GraphsState *g, const ColumnBounds &b) {
    std::vector<double> keys, values;
    SummariseDirections(g->series, b, &keys, &values);
    QVector<QCPGraphData> data(static_cast<int>(keys.size()));
    for (size_t i = 0; i < keys.size(); ++i)
        data[static_cast<int>(i)] = QCPGraphData(keys[i] + g->local_shift, values[i]);
    g->directions->data()->set(data, true);
}

// Fills every series for the time range shown, one point pair per pixel column at most.
void Redraw(GraphsState *g) {
    const QCPRange range = TimeAxis(g, RECT_TEMPERATURE)->range();
    const int columns = std::max(50, g->rect[RECT_TEMPERATURE]->width());
    const ColumnBounds b = MakeColumnBounds(g->series, range.lower - g->local_shift,
                                            range.upper - g->local_shift, columns);
    // Smoothing pays for a few lines; for a column summary, each column's vertical stroke
    // would make it cost seconds and show nothing more.
    for (QCPGraph *line : g->line)
        if (line != nullptr) line->setAntialiased(b.raw);
    g->directions->setAntialiasedScatters(b.raw);
    // Thousands of round dots are drawn as curves; small squares look the same and are
    // drawn as rectangles.
    g->directions->setScatterStyle(
        QCPScatterStyle(b.raw ? QCPScatterStyle::ssDisc : QCPScatterStyle::ssSquare,
                        QColor(120, 120, 120), QColor(120, 120, 120), b.raw ? 3 : 2));
    DrawLines(g, b);
    DrawRain(g, b);
    DrawDirections(g, b);
}

void Replot(GraphsState *g) { g->plot->replot(QCustomPlot::rpQueuedReplot); }

// Every time axis follows the one the user moved; the range never shrinks below ten
// minutes, where the data sets would be further apart than the window is wide.
void TimeRangeChanged(GraphsState *g, QCPRange range) {
    if (g->syncing) return;
    g->syncing = 1;
    if (range.size() < kShortestSpan) {
        const double middle = range.center();
        range = QCPRange(middle - kShortestSpan / 2, middle + kShortestSpan / 2);
    }
    for (int r = 0; r < RECT_COUNT; ++r) TimeAxis(g, r)->setRange(range);
    g->syncing = 0;
    Redraw(g);
    Replot(g);
}

void ShowRange(GraphsState *g, int range) {
    const double newest = NewestKey(g);
    double oldest = range == RANGE_ALL ? OldestKey(g) : newest - kSpan[range];
    if (newest - oldest < kShortestSpan) oldest = newest - kShortestSpan;
    TimeRangeChanged(g, QCPRange(oldest, newest));
}

// ---- Pointer: crosshair and values ------------------------------------------------------

QString ValueLine(int series, float base) {
    if (std::isnan(base)) return QString::fromUtf8(MARKER_NOT_AVAILABLE);
    return QString::fromUtf8(LocaliseMeasuredValues(QuantityOf(series), &setup.units, &base)->value_unit_text);
}

QString StampText(uint32_t stamp) {
    GMTToLocalTime(&stamp);
    const time_t t = static_cast<time_t>(stamp);
    struct tm f{};
    if (gmtime_r(&t, &f) == nullptr) return QString();
    const int32_t words[6] = {f.tm_sec, f.tm_min, f.tm_hour, f.tm_mday, f.tm_mon, f.tm_year};
    char text[TIME_DATE_TEXT_SIZE];
    GetTimeDateString(words, text, nullptr, nullptr);
    return QString::fromUtf8(text);
}

QString PointerText(const GraphsState *g, size_t i) {
    QString text = "<b>" + StampText(g->series.time[i]).toHtmlEscaped() + "</b>";
    for (int s = 0; s < SERIES_COUNT; ++s) {
        text += "<br>" + Text(SeriesName(s)).toHtmlEscaped() + ": " +
                ValueLine(s, SeriesValue(g->series, s, i)).toHtmlEscaped();
        if (s != SERIES_WIND_SPEED) continue;
        char direction[kTextSize];
        GetDirectionString(g->series.direction[i], direction, nullptr);
        text += " " + QString::fromUtf8(direction).toHtmlEscaped();
    }
    return text;
}

void MoveCursor(GraphsState *g, double key, bool visible) {
    for (int r = 0; r < RECT_COUNT; ++r) {
        g->cursor[r]->setVisible(visible);
        g->cursor[r]->point1->setCoords(key, 0);
        g->cursor[r]->point2->setCoords(key, 1);
    }
    g->plot->layer("cursor")->replot();
}

void PointerMoved(GraphsState *g, QMouseEvent *event) {
    const QPointF at = event->position();
    bool inside = false;
    for (QCPAxisRect *r : g->rect) inside = inside || r->rect().contains(at.toPoint());
    if (!inside || g->series.time.empty()) {
        MoveCursor(g, 0, false);
        QToolTip::hideText();
        return;
    }
    const double key = TimeAxis(g, RECT_TEMPERATURE)->pixelToCoord(at.x());
    const double stamp = key - g->local_shift;
    size_t i = FirstDataSetAtOrAfter(g->series, stamp <= 0 ? 0 : static_cast<uint32_t>(std::min(stamp, 4294967295.0)));
    if (i == DataSetCount(g->series) ||
        (i > 0 && stamp - g->series.time[i - 1] < g->series.time[i] - stamp))
        i = i > 0 ? i - 1 : 0;
    MoveCursor(g, static_cast<double>(g->series.time[i]) + g->local_shift, true);
    QToolTip::showText(event->globalPosition().toPoint(), PointerText(g, i), g->plot);
}

// ---- Look: texts, units, number and clock style ------------------------------------------

void ApplyTimeStyle(GraphsState *g) {
    auto ticker = QSharedPointer<QCPAxisTickerDateTime>::create();
    ticker->setDateTimeSpec(Qt::UTC);  // keys are local wall-clock seconds already
    // The same order of day, month and year as every other date of the program.
    ticker->setDateTimeFormat(setup.time_24h ? "dd.MM.yy\nHH:mm" : "yy.MM.dd\nhh:mm AP");
    ticker->setTickCount(8);
    for (int r = 0; r < RECT_COUNT; ++r) TimeAxis(g, r)->setTicker(ticker);
    QLocale locale = setup.decimal_comma ? QLocale(QLocale::German, QLocale::Germany) : QLocale::c();
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    g->plot->setLocale(locale);
}

void ApplyDirectionTicks(GraphsState *g) {
    auto ticker = QSharedPointer<QCPAxisTickerText>::create();
    for (int d = 0; d <= 16; d += 4) {
        char name[kTextSize];
        GetDirectionString(d % 16, name, nullptr);
        ticker->addTick(d * 22.5, QString::fromUtf8(name));
    }
    QCPAxis *axis = g->rect[RECT_WIND]->axis(QCPAxis::atRight);
    axis->setTicker(ticker);
    axis->setLabel(Text(TXTP_COL_WINDDIR));
}

QString AxisLabel(int text, int series) { return Text(text) + " [" + UnitText(series) + "]"; }

void ApplyTexts(GraphsState *g) {
    g->window->setWindowTitle(Text(TXTP_TITLE_GRAPHS));
    g->tabs->setTabText(0, Text(TXTP_GRAPHS_TAB));
    g->tabs->setTabText(1, Text(TXTP_STATISTICS_TAB));
    static const int kRangeTexts[RANGE_COUNT] = {TXTP_RANGE_DAY, TXTP_RANGE_WEEK, TXTP_RANGE_MONTH,
                                                 TXTP_RANGE_YEAR, TXTP_RANGE_ALL};
    for (int r = 0; r < RANGE_COUNT; ++r) g->range_button[r]->setText(Text(kRangeTexts[r]));
    g->save->setText(Text(TXTP_GRAPHS_SAVE));
    g->hint->setText(Text(TXTP_GRAPHS_HINT));
    for (int s = 0; s < SERIES_COUNT; ++s) {
        if (g->line[s] != nullptr) g->line[s]->setName(Text(SeriesName(s)));
    }
    g->rain->setName(Text(TXTP_COL_RAIN));
    g->directions->setName(Text(TXTP_COL_WINDDIR));
    const int pressure = setup.absolute_pressure ? TXTP_COL_PRESS_ABS : TXTP_COL_PRESS_REL;
    g->rect[RECT_TEMPERATURE]->axis(QCPAxis::atLeft)->setLabel(AxisLabel(TXTP_GRAPHS_TEMPERATURE, SERIES_OUTDOOR_TEMPERATURE));
    g->rect[RECT_HUMIDITY]->axis(QCPAxis::atLeft)->setLabel(AxisLabel(TXTP_GRAPHS_HUMIDITY, SERIES_OUTDOOR_HUMIDITY));
    g->rect[RECT_PRESSURE]->axis(QCPAxis::atLeft)->setLabel(AxisLabel(pressure, SERIES_PRESSURE));
    g->rect[RECT_WIND]->axis(QCPAxis::atLeft)->setLabel(AxisLabel(TXTP_COL_WIND, SERIES_WIND_SPEED));
    g->rect[RECT_RAIN]->axis(QCPAxis::atLeft)->setLabel(AxisLabel(TXTP_GRAPHS_RAIN, SERIES_RAIN));
    ApplyDirectionTicks(g);
    ApplyStatisticsTexts(g);
}

void ApplyLook(GraphsState *g) {
    g->look = CurrentLook();
    ApplyTexts(g);
    ApplyTimeStyle(g);
    Redraw(g);
    Replot(g);
    UpdateStatisticsTab(g);
}

// ---- Building the window ----------------------------------------------------------------

QCPAxisRect *AddRect(QCustomPlot *plot, QCPMarginGroup *margins, int row, bool last) {
    auto *rect = new QCPAxisRect(plot);
    plot->plotLayout()->addElement(row, 0, rect);
    rect->setMarginGroup(QCP::msLeft | QCP::msRight, margins);
    rect->setRangeDrag(Qt::Horizontal);
    rect->setRangeZoom(Qt::Horizontal);
    rect->setRangeDragAxes(rect->axis(QCPAxis::atBottom), nullptr);
    rect->setRangeZoomAxes(rect->axis(QCPAxis::atBottom), nullptr);
    rect->axis(QCPAxis::atBottom)->setTickLabels(last);
    rect->axis(QCPAxis::atLeft)->setLabelFont(QFont(plot->font().family(), 8));
    // Every rect but the wind's keeps its right side free, so that all line up.
    rect->axis(QCPAxis::atRight)->setVisible(true);
    rect->axis(QCPAxis::atRight)->setTickLabels(false);
    rect->axis(QCPAxis::atRight)->setTicks(false);
    return rect;
}

QCPLegend *AddLegend(QCustomPlot *plot, QCPAxisRect *rect) {
    auto *legend = new QCPLegend;
    rect->insetLayout()->addElement(legend, Qt::AlignTop | Qt::AlignLeft);
    legend->setLayer("legend");
    legend->setFont(QFont(plot->font().family(), 8));
    // See-through, so that the lines behind it stay visible.
    legend->setBrush(QBrush(QColor(255, 255, 255, 150)));
    legend->setBorderPen(QPen(QColor(160, 160, 160)));
    legend->setRowSpacing(0);
    legend->setFillOrder(QCPLayoutGrid::foColumnsFirst);
    legend->setVisible(true);
    return legend;
}

void AddSeries(GraphsState *g) {
    for (int s = 0; s < SERIES_COUNT; ++s) {
        if (s == SERIES_RAIN) continue;
        QCPAxisRect *rect = g->rect[kLines[s].rect];
        g->line[s] = g->plot->addGraph(rect->axis(QCPAxis::atBottom), rect->axis(QCPAxis::atLeft));
        QPen pen(kLines[s].colour, 1);
        pen.setCosmetic(true);
        g->line[s]->setPen(pen);
        g->line[s]->removeFromLegend();
        g->line[s]->addToLegend(g->legend[kLines[s].rect]);
    }
    QCPAxisRect *wind = g->rect[RECT_WIND];
    g->directions = g->plot->addGraph(wind->axis(QCPAxis::atBottom), wind->axis(QCPAxis::atRight));
    g->directions->setLineStyle(QCPGraph::lsNone);
    g->directions->removeFromLegend();
    g->directions->addToLegend(g->legend[RECT_WIND]);
    wind->axis(QCPAxis::atRight)->setTicks(true);
    wind->axis(QCPAxis::atRight)->setTickLabels(true);
    wind->axis(QCPAxis::atRight)->setRange(-10, 370);
    wind->axis(QCPAxis::atRight)->setLabelFont(QFont(g->plot->font().family(), 8));
    QCPAxisRect *rain = g->rect[RECT_RAIN];
    g->rain = new QCPBars(rain->axis(QCPAxis::atBottom), rain->axis(QCPAxis::atLeft));
    g->rain->setPen(Qt::NoPen);
    g->rain->setAntialiased(false);
    g->rain->setBrush(kLines[SERIES_RAIN].colour);
    g->rain->removeFromLegend();
    g->rain->addToLegend(g->legend[RECT_RAIN]);
    g->rect[RECT_HUMIDITY]->axis(QCPAxis::atLeft)->setRange(0, 100);
}

void AddCursor(GraphsState *g) {
    g->plot->addLayer("cursor", nullptr, QCustomPlot::limAbove);
    g->plot->layer("cursor")->setMode(QCPLayer::lmBuffered);
    for (int r = 0; r < RECT_COUNT; ++r) {
        auto *line = new QCPItemStraightLine(g->plot);
        line->setLayer("cursor");
        line->setClipAxisRect(g->rect[r]);
        for (QCPItemPosition *p : {line->point1, line->point2})
            p->setAxes(TimeAxis(g, r), g->rect[r]->axis(QCPAxis::atLeft));
        line->setPen(QPen(QColor(200, 0, 0, 160), 1, Qt::DashLine));
        line->setVisible(false);
        g->cursor[r] = line;
    }
}

// The pointer follows the mouse and is no part of the graphs: the picture is saved
// without it, and the window says where it went.
void SavePicture(GraphsState *g) {
    char path[MAX_PATHNAME_LEN] = "";
    if (!AskSavePath(TXTP_GRAPHS_SAVE_TITLE, "*.png;*.pdf", path)) return;
    const QString file = QString::fromUtf8(path);
    const bool pdf = QFileInfo(file).suffix().compare("pdf", Qt::CaseInsensitive) == 0;
    QCPLayer *pointer = g->plot->layer("cursor");
    const bool shown = pointer->visible();
    pointer->setVisible(false);
    const bool saved = pdf ? g->plot->savePdf(file) : g->plot->savePng(file);
    pointer->setVisible(shown);
    g->plot->replot(QCustomPlot::rpQueuedReplot);
    if (!saved) {
        g->saved->clear();
        LocalisedMessagePopup(txtP, TXTP_GRAPHS_SAVE_TITLE, TXTP_GRAPHS_SAVE_FAILED);
        return;
    }
    char text[kTextSize + MAX_PATHNAME_LEN];
    GetPanelText(TXTP_GRAPHS_SAVED, text, sizeof text);
    FillTextField(text, sizeof text, "file", path);
    g->saved->setText(QString::fromUtf8(text));
}

QWidget *BuildGraphsTab(GraphsState *g) {
    auto *page = new QWidget;
    auto *column = new QVBoxLayout(page);
    auto *buttons = new QHBoxLayout;
    for (int r = 0; r < RANGE_COUNT; ++r) {
        g->range_button[r] = new QPushButton;
        QObject::connect(g->range_button[r], &QPushButton::clicked, [g, r] { ShowRange(g, r); });
        buttons->addWidget(g->range_button[r]);
    }
    buttons->addStretch(1);
    g->saved = new QLabel;
    g->saved->setObjectName("GRAPHS_SAVED");
    g->saved->setStyleSheet("color: #606060;");
    buttons->addWidget(g->saved);
    g->save = new QPushButton;
    QObject::connect(g->save, &QPushButton::clicked, [g] { SavePicture(g); });
    buttons->addWidget(g->save);
    column->addLayout(buttons);

    g->plot = new QCustomPlot;
    g->plot->setObjectName("GRAPHS_PLOT");
    g->plot->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
    g->plot->setPlottingHint(QCP::phFastPolylines, true);
    g->plot->plotLayout()->clear();
    g->plot->plotLayout()->setRowSpacing(0);
    auto *margins = new QCPMarginGroup(g->plot);
    for (int r = 0; r < RECT_COUNT; ++r) {
        g->rect[r] = AddRect(g->plot, margins, r, r == RECT_COUNT - 1);
        g->legend[r] = AddLegend(g->plot, g->rect[r]);
    }
    AddSeries(g);
    AddCursor(g);
    for (int r = 0; r < RECT_COUNT; ++r)
        QObject::connect(TimeAxis(g, r), qOverload<const QCPRange &>(&QCPAxis::rangeChanged),
                         [g](const QCPRange &range) { TimeRangeChanged(g, range); });
    QObject::connect(g->plot, &QCustomPlot::mouseMove, [g](QMouseEvent *e) { PointerMoved(g, e); });
    column->addWidget(g->plot, 1);
    g->hint = new QLabel;
    g->hint->setStyleSheet("color: #606060;");
    column->addWidget(g->hint);
    return page;
}

void BuildWindow(GraphsState *g) {
    auto *window = new QWidget(nullptr, Qt::Window);
    window->setObjectName("graphsWindow");
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->resize(1240, 880);
    g->window = window;
    auto *layout = new QVBoxLayout(window);
    g->tabs = new QTabWidget;
    g->tabs->addTab(BuildGraphsTab(g), QString());
    g->tabs->addTab(BuildStatisticsTab(g), QString());
    QObject::connect(g->tabs, &QTabWidget::currentChanged, [g](int) { UpdateStatisticsTab(g); });
    layout->addWidget(g->tabs);
    // The window's data go with it.
    QObject::connect(window, &QObject::destroyed, [] {
        delete graphs;
        graphs = nullptr;
    });
}

void FollowHistoryFileRecord(const UIRecord *) { FollowHistoryFile(); }

}  // namespace

GraphsState *OpenGraphs() { return graphs; }

QWidget *GraphsWindow() { return graphs != nullptr ? graphs->window.data() : nullptr; }

void VisibleDataSets(const GraphsState *g, size_t *first, size_t *end) {
    const QCPRange range = TimeAxis(g, RECT_TEMPERATURE)->range();
    const ColumnBounds b = MakeColumnBounds(g->series, range.lower - g->local_shift,
                                            range.upper - g->local_shift, 1);
    *first = b.first;
    *end = b.end;
}

void OpenGraphsWindow(int range) {
    const bool fresh = graphs == nullptr;
    if (fresh) {
        graphs = new GraphsState;
        graphs->local_shift = GetLocalToGMTTimeDifference();
        BuildWindow(graphs);
        // A file that cannot be read shows empty graphs; the next append tries again.
        (void)RefreshHistorySeries(&graphs->series);
        graphs->look = CurrentLook();
        ApplyTexts(graphs);
        ApplyTimeStyle(graphs);
        graphs->window->show();
    }
    graphs->window->raise();
    graphs->window->activateWindow();
    if (range >= 0 && range < RANGE_COUNT)
        ShowRange(graphs, range);
    else if (fresh)
        ShowRange(graphs, RANGE_WEEK);
}

int ShowGraphsWindow(int, int, int event, void *, int, int) {
    if (event != EVENT_COMMIT) return 0;
    if (!UI_data.history_file_ok) return 0;
    OpenGraphsWindow(-1);
    return 0;
}

void FollowHistoryFile() {
    GraphsState *g = graphs;
    if (g == nullptr) return;
    const QCPRange shown = TimeAxis(g, RECT_TEMPERATURE)->range();
    const bool at_end = g->series.time.empty() || shown.upper >= NewestKey(g);
    const bool from_start = g->series.time.empty() || shown.lower <= OldestKey(g);
    const std::string path = g->series.path;
    const int added = RefreshHistorySeries(&g->series);
    if (added < 0 || (added == 0 && path == g->series.path)) return;
    if (path != g->series.path) {
        ShowRange(g, RANGE_WEEK);
    } else if (at_end && from_start) {
        ShowRange(g, RANGE_ALL);
    } else if (at_end) {
        const double newest = NewestKey(g);
        TimeRangeChanged(g, QCPRange(newest - shown.size(), newest));
    } else {
        Redraw(g);
        Replot(g);
    }
    ScheduleStatisticsTab(g);
}

void RefreshGraphsWindow() {
    GraphsState *g = graphs;
    if (g == nullptr) return;
    const GraphsLook now = CurrentLook();
    if (memcmp(&now, &g->look, sizeof now) == 0) return;
    ApplyLook(g);
}

int AskSavePath(int title_text, const char *filter, char *path) {
    char title[kTextSize];
    GetPanelText(title_text, title, sizeof title);
    char first[32];
    snprintf(first, sizeof first, "%.*s", static_cast<int>(strcspn(filter, ";")), filter);
    const int chosen = FileSelectPopup("", first, filter, title, VAL_SAVE_BUTTON, 0, 1, 1, 1, path);
    if (chosen == VAL_NO_FILE_SELECTED) return 0;
    // The export's own question: the same words wherever a file would be replaced.
    if (chosen == VAL_EXISTING_FILE_SELECTED &&
        LocalisedConfirmPopup(txtP, title_text, TXTP_EXPORT_OVERWRITE) != 1)
        return 0;
    return 1;
}

void RegisterGraphsListeners() {
    (void)ListenToUIRecords(4, 6, FollowHistoryFileRecord);
    (void)ListenToUIRecords(171, 171, FollowHistoryFileRecord);
    (void)ListenToSurfaceRefresh(RefreshGraphsWindow);
}
