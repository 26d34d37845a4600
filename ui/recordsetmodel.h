#pragma once

#include "storage/datasource.h"

#include <QAbstractTableModel>
#include <QRect>

#include <vector>

class QLabel;
class QTableView;
class QWidget;

namespace ui {

// Shows the rows of a record set in fixed columns, reading them from the record set itself;
// refresh() runs its record source again.
class RecordSetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    struct Column {
        const char* title;
        const char* field;
        int width; // pixels, more when its title needs them; the last column takes what is left
    };

    RecordSetModel(storage::DataSource& source, std::vector<Column> columns, QObject* parent);

    // Runs the record source again (throws storage::DataError); the view shows the new rows.
    void refresh();

    // The text that column `column` shows in row `row`.
    QString text(int row, int column) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    storage::DataSource& source_;
    std::vector<Column> columns_;
    std::vector<int> fieldIndexes_; // field of each column in the record set
    int rows_ = 0;
};

// A table view under a caption strip, filling `area` of `parent`; the view's accessible name is
// the caption.
struct CaptionedGrid {
    QLabel* caption;
    QTableView* view;
};
CaptionedGrid captionedGrid(QWidget* parent, QRect area, const QString& caption);

// A read-only grid on a record set: one row selected at a time, and the selected row is the
// record set's current row. After each refresh of the model the first row is selected.
class RecordSetGrid {
public:
    RecordSetGrid(QTableView* view, storage::DataSource& source, RecordSetModel* model,
                  const std::vector<RecordSetModel::Column>& columns);

    void refresh();
    int selectedRow() const;
    // Text of column `column` in the selected row; empty when no row is selected.
    QString selectedText(int column) const;
    // Selects `row` and scrolls it to the middle of the view, with rows to see on both sides.
    void selectRow(int row);

private:
    QTableView* view_;
    storage::DataSource& source_;
    RecordSetModel* model_;
};

} // namespace ui
