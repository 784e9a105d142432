// The graphs window on the offscreen platform, opened from the main panel's button: a
// missing reading is a gap (never a line to zero), appended data sets appear while the
// window shows the newest end, and the units and the decimal separator follow the
// settings.
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QTabWidget>
#include <QPushButton>
#include <QTableWidget>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <qcustomplot.h>
#include <string>

#include "windows/KOR.h"
#include "windows/dispatcher.h"
#include "windows/display.h"
#include "windows/kor_panels.h"
#include "records/setup_record.h"
#include "records/ui_data.h"
#include "graphs/graphs_window.h"
#include "history/history_file.h"
#include "platform/panels.h"
#include "platform/popups.h"
#include "support/gui_app.h"
#include "support/temp_folder.h"

namespace {

constexpr uint32_t kStart = 1765000000;
constexpr uint32_t kStep = 300;
constexpr int kMissing = 10;  // the data set without an outdoor temperature

HistoryRecord DataSet(int i) {
    HistoryRecord r{};
    r.time = kStart + kStep * static_cast<uint32_t>(i);
    r.pressure = 1000.0f + static_cast<float>(i % 7);
    r.wind_speed = 2.5f;
    r.wind_direction = i % 16;
    r.rain = 10.0f + 0.518f * static_cast<float>(i / 4);
    r.indoor_temperature = 21.5f;
    r.outdoor_temperature = i == kMissing ? 81.11f : 10.0f + static_cast<float>(i % 5);
    r.indoor_humidity = 45;
    r.outdoor_humidity = 50;
    return r;
}

// The file pop-up's answer: the path a user would type.
std::string chosen_path;
int AnswerFile(const PopupRequest *request, char *path_out, int path_size) {
    if (request->kind != POPUP_FILE_SELECT) return 0;
    snprintf(path_out, static_cast<size_t>(path_size), "%s", chosen_path.c_str());
    return 1;
}

void Metric(SetupRecord *s) {
    s->units = UnitsRecord{0, 0, 0, 0, 0};
    s->time_24h = 1;
    s->decimal_comma = 0;
    s->absolute_pressure = 1;
}

class GraphsWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("TZ", "UTC", 1);
        tzset();
        ASSERT_EQ(LoadAppPanelsForTests(Metric), 0);
        SetUIDataToDefault();
        path_ = folder_.file("history.dat");
        memset(&writer_, 0, sizeof writer_);
        snprintf(writer_.history_file_name, sizeof writer_.history_file_name, "%s", path_.c_str());
        snprintf(setup.history_file, sizeof setup.history_file, "%s", path_.c_str());
        ASSERT_EQ(InitFileHistoryHeader(&writer_.file_header, path_.c_str()), 1);
        writer_.history_file_ok = 1;
    }
    void TearDown() override {
        if (GraphsWindow() != nullptr) GraphsWindow()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    void Append(int from, int to) {
        for (int i = from; i < to; ++i) {
            const HistoryRecord r = DataSet(i);
            ASSERT_EQ(AddHistoryDataSetToFile(&writer_, &r), 0);
        }
    }
    // The communication thread's report of a stored data set.
    void ReportStored() {
        UIRecord r;
        memset(&r, 0, sizeof r);
        r.kind = 4;
        memcpy(r.payload, &writer_.file_header, sizeof writer_.file_header);
        DispatchUIRecord(&r);
    }
    static QCustomPlot *Plot() { return GraphsWindow()->findChild<QCustomPlot *>("GRAPHS_PLOT"); }
    // The outdoor temperature line (graphs are added in series order).
    static QCPGraph *Outdoor() { return Plot()->graph(1); }
    static QCPAxis *Time() { return Plot()->axisRect(0)->axis(QCPAxis::atBottom); }

    TempFolder folder_;
    std::string path_;
    KORData writer_;
};

TEST_F(GraphsWindowTest, MissingReadingsAreGapsAndAppendsAreFollowed) {
    Append(0, 40);
    UI_data.history_file_ok = 1;
    ShowGraphsWindow(korP, KORP_GRAPHS, EVENT_COMMIT, nullptr, 0, 0);
    ASSERT_NE(GraphsWindow(), nullptr);
    OpenGraphsWindow(RANGE_ALL);

    bool gap = false;
    for (auto it = Outdoor()->data()->constBegin(); it != Outdoor()->data()->constEnd(); ++it) {
        EXPECT_TRUE(std::isnan(it->value) || (it->value >= 10.0 && it->value <= 14.0)) << it->key;
        if (static_cast<uint32_t>(it->key) == DataSet(kMissing).time) gap = std::isnan(it->value);
    }
    EXPECT_TRUE(gap);
    EXPECT_EQ(Time()->range().upper, DataSet(39).time);

    // The window shows the newest end: three more data sets arrive and are shown.
    Append(40, 43);
    ReportStored();
    EXPECT_EQ(Time()->range().upper, DataSet(42).time);
    EXPECT_EQ(Outdoor()->data()->at(Outdoor()->data()->size() - 1)->key, DataSet(42).time);

    // A user looking at an older stretch keeps it.
    const QCPRange older(DataSet(5).time, DataSet(20).time);
    Time()->setRange(older);
    Append(43, 44);
    ReportStored();
    EXPECT_EQ(Time()->range().upper, older.upper);
    EXPECT_EQ(Plot()->axisRect(4)->axis(QCPAxis::atBottom)->range().lower, older.lower)
        << "every graph keeps the same time range";
}

TEST_F(GraphsWindowTest, UnitsAndDecimalSeparatorFollowTheSettings) {
    Append(0, 12);
    UI_data.history_file_ok = 1;
    OpenGraphsWindow(RANGE_ALL);
    QCPAxis *temperature = Plot()->axisRect(0)->axis(QCPAxis::atLeft);
    EXPECT_NE(temperature->label().indexOf(QString::fromUtf8("\u00B0C")), -1);

    setup.units.temperature_unit = 1;
    setup.decimal_comma = 1;
    RefreshKORPanelSurface();  // what the settings dialog's OK ends with
    EXPECT_NE(temperature->label().indexOf(QString::fromUtf8("\u00B0F")), -1);
    EXPECT_DOUBLE_EQ(Outdoor()->data()->at(0)->value, 50.0);  // 10 degC
    EXPECT_EQ(Plot()->locale().decimalPoint(), QString(","));

    // The statistics tab, in the same units and number style.
    auto *tabs = GraphsWindow()->findChild<QTabWidget *>();
    tabs->setCurrentIndex(1);
    auto *table = GraphsWindow()->findChild<QTableWidget *>("GRAPHS_STATISTICS");
    ASSERT_EQ(table->rowCount(), 2);  // one day and the records
    EXPECT_EQ(table->item(0, 1)->text(), QString("50,0"));  // lowest, 10 degC
    EXPECT_EQ(table->item(1, 3)->text(), QString("57,2"));  // highest, 14 degC
}

TEST_F(GraphsWindowTest, SavesThePictureAsPngAndPdf) {
    Append(0, 12);
    UI_data.history_file_ok = 1;
    OpenGraphsWindow(RANGE_ALL);
    QPushButton *save = nullptr;
    for (QPushButton *b : GraphsWindow()->findChildren<QPushButton *>())
        if (b->text().contains(QString::fromUtf8("\u2026")) && b->isVisibleTo(GraphsWindow())) save = b;
    ASSERT_NE(save, nullptr);
    SetPopupTestResponder(AnswerFile);
    // The red pointer stands in the graphs, as when the user points before saving.
    Plot()->replot();
    const QPoint at = Plot()->axisRect(0)->rect().center();
    QMouseEvent move(QEvent::MouseMove, at, Plot()->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(Plot(), &move);
    ASSERT_TRUE(Plot()->item(0)->visible());
    for (const char *name : {"graphs.png", "graphs.pdf"}) {
        chosen_path = folder_.file(name);
        save->click();
        const std::string bytes = ReadWholeFile(chosen_path);
        EXPECT_EQ(bytes.substr(1, 3), std::string(name).substr(7) == "png" ? "PNG" : "PDF") << name;
        EXPECT_EQ(GraphsWindow()->findChild<QLabel *>("GRAPHS_SAVED")->text(),
                  QString::fromStdString("Saved to " + chosen_path));
    }
    SetPopupTestResponder(nullptr);
    // Its dashes are red with grey edges; no line of the graphs has that colour.
    const QImage picture(QString::fromStdString(folder_.file("graphs.png")));
    int red = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const QColor c = picture.pixelColor(x, y);
            if (c.red() - c.green() > 80 && std::abs(c.green() - c.blue()) < 20) ++red;
        }
    EXPECT_EQ(red, 0) << "the pointer is no part of the picture";
}

// Three days without data sets between two stretches of them: the lines break, the
// rain that fell meanwhile is no bar, and the statistics show it as the gap's.
TEST_F(GraphsWindowTest, AGapBreaksTheLinesAndItsRainIsNoBar) {
    for (int i = 0; i < 40; ++i) {
        HistoryRecord r = DataSet(i);
        if (i >= 20) {
            r.time += 3 * 86400;
            r.rain += 12.0f;
        }
        ASSERT_EQ(AddHistoryDataSetToFile(&writer_, &r), 0);
    }
    UI_data.history_file_ok = 1;
    OpenGraphsWindow(RANGE_ALL);
    const double gap_from = DataSet(19).time, gap_to = DataSet(20).time + 3 * 86400.0;
    int breaks = 0;
    for (auto it = Outdoor()->data()->constBegin(); it != Outdoor()->data()->constEnd(); ++it)
        if (it->key > gap_from && it->key < gap_to) breaks += std::isnan(it->value) ? 1 : 100;
    EXPECT_EQ(breaks, 1) << "one NaN point between the two sides, nothing else";
    QCPBars *rain = nullptr;
    for (int p = 0; p < Plot()->plottableCount(); ++p)
        if (auto *bars = qobject_cast<QCPBars *>(Plot()->plottable(p))) rain = bars;
    ASSERT_NE(rain, nullptr);
    for (auto it = rain->data()->constBegin(); it != rain->data()->constEnd(); ++it)
        EXPECT_LT(it->value, 1.0) << "no bar for the gap's rain at " << it->key;

    GraphsWindow()->findChild<QTabWidget *>()->setCurrentIndex(1);
    auto *table = GraphsWindow()->findChild<QTableWidget *>("GRAPHS_STATISTICS");
    ASSERT_EQ(table->rowCount(), 4);  // the first day, the gap, the day after it, the records
    EXPECT_TRUE(table->item(1, 0)->text().startsWith("during the gap"));
    EXPECT_TRUE(table->item(1, 0)->font().italic());
    EXPECT_TRUE(table->item(1, 14)->text().startsWith("12.")) << "the rain column";
    EXPECT_FALSE(table->item(2, 14)->text().startsWith("12."));
}

// A download that catches up 175 data sets reports each one; the statistics tab is
// worked out once for all of them, within a second.
TEST_F(GraphsWindowTest, ACatchUpRecomputesTheStatisticsOnce) {
    Append(0, 12);
    UI_data.history_file_ok = 1;
    OpenGraphsWindow(RANGE_ALL);
    GraphsWindow()->findChild<QTabWidget *>()->setCurrentIndex(1);
    auto *table = GraphsWindow()->findChild<QTableWidget *>("GRAPHS_STATISTICS");
    const int runs = table->property("statisticsRuns").toInt();
    for (int i = 12; i < 187; ++i) {
        Append(i, i + 1);
        ReportStored();
    }
    EXPECT_EQ(table->property("statisticsRuns").toInt(), runs);
    QElapsedTimer waited;
    waited.start();
    while (table->property("statisticsRuns").toInt() == runs && waited.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(table->property("statisticsRuns").toInt(), runs + 1);
    EXPECT_EQ(table->item(table->rowCount() - 1, 0)->text(), QString("Records of the whole file"));
}

}  // namespace
