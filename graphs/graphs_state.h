// Inside graphs/ only: what the open graphs window holds, shared by its graphs tab and its
// statistics tab.
#pragma once
#include <QPointer>
#include <cstdint>

#include "records/setup_record.h"
#include "graphs/history_series.h"
#include "graphs/history_statistics.h"

class QComboBox;
class QCPAxis;
class QCPAxisRect;
class QCPBars;
class QCPGraph;
class QCPItemStraightLine;
class QCPLegend;
class QCustomPlot;
class QLabel;
class QPushButton;
class QTabWidget;
class QTableWidget;
class QTimer;
class QWidget;

enum GraphsRect { RECT_TEMPERATURE, RECT_HUMIDITY, RECT_PRESSURE, RECT_WIND, RECT_RAIN, RECT_COUNT };

// What the window shows depends on; a change of any of it redraws the window.
struct GraphsLook {
    UnitsRecord units;
    int32_t absolute_pressure;
    int32_t decimal_comma;
    int32_t time_24h;
    char language_file[sizeof setup.language_file];
    float rel_offset;
};

struct GraphsState {
    QPointer<QWidget> window;
    QTabWidget *tabs = nullptr;
    QCustomPlot *plot = nullptr;
    QCPAxisRect *rect[RECT_COUNT] = {};
    QCPLegend *legend[RECT_COUNT] = {};
    QCPItemStraightLine *cursor[RECT_COUNT] = {};
    QCPGraph *line[SERIES_COUNT] = {};  // none for SERIES_RAIN
    QCPBars *rain = nullptr;
    QCPGraph *directions = nullptr;
    QPushButton *range_button[5] = {};
    QPushButton *save = nullptr;
    QLabel *saved = nullptr;  // where the last picture went
    QLabel *hint = nullptr;
    // Statistics tab.
    QLabel *statistics_label = nullptr;
    QComboBox *period = nullptr;
    QTableWidget *table = nullptr;
    QPushButton *statistics_save = nullptr;
    QTimer *statistics_timer = nullptr;  // new data sets: the table at most once a second
    StatisticsCache statistics;

    HistorySeries series;
    int32_t local_shift = 0;  // local time minus stamp time, seconds
    int syncing = 0;          // the time axes are being brought into step
    GraphsLook look{};
};

// The open window's state, or nullptr.
GraphsState *OpenGraphs();

// Asks where to save (file pop-up with filter, e.g. "*.png;*.pdf", the first pattern the
// default) under the title text title_text, and whether an existing file may be
// replaced. 1 with the path (MAX_PATHNAME_LEN bytes) when the user chose and agreed.
int AskSavePath(int title_text, const char *filter, char *path);

// The data sets inside the time range the graphs show.
void VisibleDataSets(const GraphsState *g, size_t *first, size_t *end);

// Statistics tab (graphs/statistics_tab.cpp).
QWidget *BuildStatisticsTab(GraphsState *g);
void ApplyStatisticsTexts(GraphsState *g);
// Recomputes the table when the tab is the one shown.
void UpdateStatisticsTab(GraphsState *g);
// After data sets were appended: the table follows within a second, once for however
// many came meanwhile, and works out only the periods they touch.
void ScheduleStatisticsTab(GraphsState *g);
