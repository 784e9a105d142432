// Table controls: cells, row and column headers and rows of a QTableWidget, counted from
// 1 as the system counts them. The history view fills its table a page at a time.
#include "platform/panel_store.h"

#include <QSignalBlocker>
#include <QTableWidget>
#include <algorithm>
#include <cstdio>

namespace {

int FindTable(int panel, int control, QTableWidget **table) {
    int error = 0;
    const std::shared_ptr<Panel> p = OwnPanel(panel, &error);
    if (p == nullptr) return error;
    const auto it = p->controls.find(control);
    if (it == p->controls.end() || it->second == nullptr) return kUIErrControl;
    *table = qobject_cast<QTableWidget *>(it->second.data());
    return *table != nullptr ? 0 : kUIErrAttribute;
}

bool InTable(const QTableWidget *t, Point cell) {
    return cell.x >= 1 && cell.x <= t->columnCount() && cell.y >= 1 && cell.y <= t->rowCount();
}

// The header item of a row or column, made when the resource gave none.
QTableWidgetItem *Header(QTableWidget *t, int index, bool row) {
    QTableWidgetItem *item = row ? t->verticalHeaderItem(index) : t->horizontalHeaderItem(index);
    if (item != nullptr) return item;
    item = new QTableWidgetItem;
    if (row)
        t->setVerticalHeaderItem(index, item);
    else
        t->setHorizontalHeaderItem(index, item);
    return item;
}

// A column's placement of text is kept in its header item for the cells made later.
constexpr int kJustifyRole = Qt::UserRole + 1;

Qt::Alignment Justification(int justify) {
    switch (justify) {
    case VAL_CENTER_JUSTIFIED: return Qt::AlignCenter;
    case VAL_RIGHT_JUSTIFIED: return Qt::AlignRight | Qt::AlignVCenter;
    default: return Qt::AlignLeft | Qt::AlignVCenter;
    }
}

void JustifyNewCell(const QTableWidget *t, int column, QTableWidgetItem *item) {
    const QTableWidgetItem *header = t->horizontalHeaderItem(column);
    if (header == nullptr) return;
    const QVariant justify = header->data(kJustifyRole);
    if (justify.isValid()) item->setTextAlignment(Justification(justify.toInt()));
}

}  // namespace

int SetTableCellVal(int panel, int control, Point cell, const char *value) {
    QTableWidget *t = nullptr;
    if (const int e = FindTable(panel, control, &t); e < 0) return e;
    if (value == nullptr || !InTable(t, cell)) return kUIErrValue;
    const QSignalBlocker block(t);
    QTableWidgetItem *item = t->item(cell.y - 1, cell.x - 1);
    if (item == nullptr) {
        item = new QTableWidgetItem;
        JustifyNewCell(t, cell.x - 1, item);
        t->setItem(cell.y - 1, cell.x - 1, item);
    }
    item->setText(QString::fromUtf8(value));
    return 0;
}

int GetTableCellVal(int panel, int control, Point cell, char *buffer, int size) {
    if (buffer == nullptr || size <= 0) return kUIErrValue;
    buffer[0] = '\0';
    QTableWidget *t = nullptr;
    if (const int e = FindTable(panel, control, &t); e < 0) return e;
    if (!InTable(t, cell)) return kUIErrValue;
    const QTableWidgetItem *item = t->item(cell.y - 1, cell.x - 1);
    const QByteArray text = item != nullptr ? item->text().toUtf8() : QByteArray();
    snprintf(buffer, static_cast<size_t>(size), "%s", text.constData());
    return 0;
}

int SetTableRowAttribute(int panel, int control, int row, int attribute, const char *value) {
    QTableWidget *t = nullptr;
    if (const int e = FindTable(panel, control, &t); e < 0) return e;
    if (attribute != ATTR_LABEL_TEXT) return kUIErrAttribute;
    if (value == nullptr || row < 1 || row > t->rowCount()) return kUIErrValue;
    Header(t, row - 1, true)->setText(QString::fromUtf8(value));
    return 0;
}

int SetTableColumnAttribute(int panel, int control, int column, int attribute,
                            const char *value) {
    QTableWidget *t = nullptr;
    if (const int e = FindTable(panel, control, &t); e < 0) return e;
    if (attribute != ATTR_LABEL_TEXT) return kUIErrAttribute;
    if (value == nullptr || column < 1 || column > t->columnCount()) return kUIErrValue;
    Header(t, column - 1, false)->setText(QString::fromUtf8(value));
    return 0;
}

int SetTableColumnAttribute(int panel, int control, int column, int attribute, int value) {
    QTableWidget *t = nullptr;
    if (const int e = FindTable(panel, control, &t); e < 0) return e;
    if (attribute != ATTR_CELL_JUSTIFY) return kUIErrAttribute;
    if (column < 1 || column > t->columnCount() || value < VAL_LEFT_JUSTIFIED ||
        value > VAL_RIGHT_JUSTIFIED)
        return kUIErrValue;
    Header(t, column - 1, false)->setData(kJustifyRole, value);
    for (int row = 0; row < t->rowCount(); ++row)
        if (QTableWidgetItem *item = t->item(row, column - 1))
            item->setTextAlignment(Justification(value));
    return 0;
}

int InsertTableRows(int panel, int control, int index, int count) {
    QTableWidget *t = nullptr;
    if (const int e = FindTable(panel, control, &t); e < 0) return e;
    if (count < 0 || (index != -1 && (index < 1 || index > t->rowCount() + 1))) return kUIErrValue;
    const int at = index == -1 ? t->rowCount() : index - 1;
    for (int i = 0; i < count; ++i) t->insertRow(at);
    return 0;
}

int DeleteTableRows(int panel, int control, int index, int count) {
    QTableWidget *t = nullptr;
    if (const int e = FindTable(panel, control, &t); e < 0) return e;
    if (index < 1 || index > t->rowCount() || count < -1) return kUIErrValue;
    const int last = count == -1 ? t->rowCount() : std::min(t->rowCount(), index - 1 + count);
    for (int row = last; row >= index; --row) t->removeRow(row - 1);
    return 0;
}

int GetNumTableRows(int panel, int control, int *rows) {
    QTableWidget *t = nullptr;
    if (const int e = FindTable(panel, control, &t); e < 0) return e;
    if (rows == nullptr) return kUIErrValue;
    *rows = t->rowCount();
    return 0;
}

int GetNumTableColumns(int panel, int control, int *columns) {
    QTableWidget *t = nullptr;
    if (const int e = FindTable(panel, control, &t); e < 0) return e;
    if (columns == nullptr) return kUIErrValue;
    *columns = t->columnCount();
    return 0;
}
