// The statistics tab of the graphs window: the statistics of the time the graphs show,
// per day, month or year, with the records of the whole file as the last row, and their
// saving as tab-separated text. Computed only while the tab is shown.
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <cstdio>
#include <cstring>

#include "windows/KOR.h"
#include "windows/kor_panels.h"
#include "graphs/graphs_state.h"
#include "graphs/history_statistics.h"
#include "windows/history_save.h"
#include "platform/popups.h"

namespace {

constexpr int kTextSize = 304;

QString Text(int text) {
    char buffer[kTextSize];
    return QString::fromUtf8(GetPanelText(text, buffer, sizeof buffer));
}

// A text of the texts panel into a title; a long one is cut, never inside a UTF-8 letter.
void CopyText(char *out, int text) {
    char buffer[kTextSize];
    GetPanelText(text, buffer, sizeof buffer);
    if (buffer[0] == '\0') return;
    size_t n = strnlen(buffer, STAT_TITLE_SIZE - 1);
    if (buffer[n] != '\0')
        while (n > 0 && (static_cast<unsigned char>(buffer[n]) & 0xC0) == 0x80) --n;
    memcpy(out, buffer, n);
    out[n] = '\0';
}

// The statistics' titles and names from the texts panel.
void TakeStatisticsTexts() {
    static const int kTitles[STAT_COLUMNS] = {
        0, TXTP_STAT_TEMP_MIN, TXTP_STAT_AT, TXTP_STAT_TEMP_MAX, TXTP_STAT_AT, TXTP_STAT_TEMP_MEAN,
        TXTP_STAT_HUM_MIN, TXTP_STAT_AT, TXTP_STAT_HUM_MAX, TXTP_STAT_AT, TXTP_STAT_PRESS_MIN,
        TXTP_STAT_AT, TXTP_STAT_PRESS_MAX, TXTP_STAT_AT, TXTP_STAT_RAIN, TXTP_STAT_WIND_MAX,
        TXTP_STAT_AT, TXTP_COL_WINDDIR};
    for (int c = 1; c < STAT_COLUMNS; ++c) CopyText(statistics_texts.title[c], kTitles[c]);
    const int periods[3] = {TXTP_RANGE_DAY, TXTP_RANGE_MONTH, TXTP_RANGE_YEAR};
    for (int p = 0; p < 3; ++p) CopyText(statistics_texts.period[p], periods[p]);
    CopyText(statistics_texts.records, TXTP_STAT_RECORDS);
    CopyText(statistics_texts.gap, TXTP_STAT_GAP);
    for (int d = 0; d < 16; ++d) CopyText(statistics_texts.direction[d], TXTP_DIR_0 + d);
}

int Period(const GraphsState *g) {
    const int p = g->period->currentIndex();
    return p >= PERIOD_DAY && p <= PERIOD_YEAR ? p : PERIOD_DAY;
}

void FillRow(QTableWidget *table, int row, const PeriodStatistics &p, int period, int records,
             int32_t shift) {
    char cells[STAT_COLUMNS][STAT_CELL_SIZE];
    FormatStatisticsRow(p, period, records, shift, 0, cells);
    for (int c = 0; c < STAT_COLUMNS; ++c) {
        auto *item = new QTableWidgetItem(QString::fromUtf8(cells[c]));
        item->setTextAlignment(c == STAT_PERIOD ? Qt::AlignLeft | Qt::AlignVCenter
                                                : Qt::AlignRight | Qt::AlignVCenter);
        QFont font = item->font();
        font.setBold(records != 0);
        // A gap is no period: set apart, so that its rain is not read as a day's.
        font.setItalic(p.gap != 0 && !records);
        item->setFont(font);
        if (p.gap && !records) item->setBackground(QColor(255, 244, 200));
        table->setItem(row, c, item);
    }
}

void SaveStatistics(GraphsState *g) {
    char path[MAX_PATHNAME_LEN] = "";
    if (!AskSavePath(TXTP_STAT_SAVE_TITLE, "*.txt", path)) return;
    size_t first = 0, end = 0;
    VisibleDataSets(g, &first, &end);
    const int period = Period(g);
    FILE *f = fopen(path, "w");
    bool ok = f != nullptr;
    if (ok)
        ok = WriteStatisticsText(f, ComputeStatistics(g->series, first, end, period, g->local_shift),
                                 period, ComputeRecords(g->series, g->local_shift), g->local_shift) == 0;
    if (f != nullptr && fclose(f) != 0) ok = false;
    if (ok) return;
    // Half a file would pass for the whole statistics.
    if (f != nullptr) remove(path);
    LocalisedMessagePopup(txtP, TXTP_STAT_SAVE_TITLE, TXTP_GRAPHS_SAVE_FAILED);
}

// Fills the rows from the first that changed (every row when `all`) and the records.
void FillStatistics(GraphsState *g, bool all) {
    if (g->tabs->currentIndex() != 1) return;
    const int period = Period(g);
    size_t first = 0, end = 0;
    VisibleDataSets(g, &first, &end);
    size_t changed = UpdateStatistics(&g->statistics, g->series, first, end, period, g->local_shift);
    if (all) changed = 0;
    const std::vector<PeriodStatistics> &rows = g->statistics.rows;
    g->table->setUpdatesEnabled(false);
    g->table->setRowCount(static_cast<int>(rows.size()) + 1);
    for (size_t r = changed; r < rows.size(); ++r)
        FillRow(g->table, static_cast<int>(r), rows[r], period, 0, g->local_shift);
    FillRow(g->table, static_cast<int>(rows.size()), CachedRecords(g->statistics), period, 1,
            g->local_shift);
    g->table->resizeColumnsToContents();
    g->table->setUpdatesEnabled(true);
    g->table->setProperty("statisticsRuns", g->statistics.runs);
}

}  // namespace

QWidget *BuildStatisticsTab(GraphsState *g) {
    auto *page = new QWidget;
    auto *column = new QVBoxLayout(page);
    auto *top = new QHBoxLayout;
    g->statistics_label = new QLabel;
    top->addWidget(g->statistics_label);
    g->period = new QComboBox;
    g->period->addItems({QString(), QString(), QString()});
    top->addWidget(g->period);
    top->addStretch(1);
    g->statistics_save = new QPushButton;
    top->addWidget(g->statistics_save);
    column->addLayout(top);
    g->table = new QTableWidget(0, STAT_COLUMNS);
    g->table->setObjectName("GRAPHS_STATISTICS");
    g->table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    g->table->verticalHeader()->setVisible(false);
    g->table->setAlternatingRowColors(true);
    column->addWidget(g->table, 1);
    QObject::connect(g->period, qOverload<int>(&QComboBox::currentIndexChanged),
                     [g](int) { UpdateStatisticsTab(g); });
    QObject::connect(g->statistics_save, &QPushButton::clicked, [g] { SaveStatistics(g); });
    g->statistics_timer = new QTimer(page);
    g->statistics_timer->setSingleShot(true);
    g->statistics_timer->setInterval(1000);
    QObject::connect(g->statistics_timer, &QTimer::timeout, [g] { FillStatistics(g, false); });
    return page;
}

void ApplyStatisticsTexts(GraphsState *g) {
    TakeStatisticsTexts();
    g->statistics_label->setText(Text(TXTP_STAT_RANGE));
    g->statistics_save->setText(Text(TXTP_STAT_SAVE));
    const int periods[3] = {TXTP_RANGE_DAY, TXTP_RANGE_MONTH, TXTP_RANGE_YEAR};
    for (int p = 0; p < 3; ++p) g->period->setItemText(p, Text(periods[p]));
}

void UpdateStatisticsTab(GraphsState *g) {
    g->statistics_timer->stop();
    if (g->tabs->currentIndex() != 1) return;
    const int period = Period(g);
    QStringList headers;
    for (int c = 0; c < STAT_COLUMNS; ++c) {
        char unit[STAT_TITLE_SIZE];
        StatisticsUnit(c, unit, sizeof unit);
        const char *title = c == STAT_PERIOD ? statistics_texts.period[period] : statistics_texts.title[c];
        headers << QString::fromUtf8(title) + (unit[0] != '\0' ? "\n" + QString::fromUtf8(unit) : QString());
    }
    g->table->setHorizontalHeaderLabels(headers);
    FillStatistics(g, true);
}

void ScheduleStatisticsTab(GraphsState *g) {
    if (g->tabs->currentIndex() != 1 || g->statistics_timer->isActive()) return;
    g->statistics_timer->start();
}
