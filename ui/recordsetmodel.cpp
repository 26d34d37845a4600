#include "ui/recordsetmodel.h"

#include <QHeaderView>
#include <QLabel>
#include <QTableView>

#include <algorithm>

namespace ui {

RecordSetModel::RecordSetModel(storage::DataSource& source, std::vector<Column> columns,
                               QObject* parent)
    : QAbstractTableModel(parent), source_(source), columns_(std::move(columns))
{}

void RecordSetModel::refresh()
{
    beginResetModel();
    rows_ = 0;
    fieldIndexes_.clear();
    try {
        source_.refresh();
        const auto& fields = source_.fieldNames();
        for (const Column& column : columns_) {
            const auto at = std::find_if(fields.begin(), fields.end(), [&](const std::string& f) {
                return QString::fromStdString(f).compare(column.field, Qt::CaseInsensitive) == 0;
            });
            fieldIndexes_.push_back(at == fields.end() ? -1
                                                       : static_cast<int>(at - fields.begin()));
        }
        rows_ = source_.rowCount();
    } catch (...) {
        endResetModel();
        throw;
    }
    endResetModel();
}

// The view may ask for a row the record set no longer holds (one just deleted, before the next
// refresh); such a row shows empty, and no failure ever reaches a paint.
QString RecordSetModel::text(int row, int column) const
{
    if (row < 0 || row >= rows_ || column < 0 || column >= static_cast<int>(columns_.size()) ||
        fieldIndexes_[column] < 0) {
        return {};
    }
    try {
        if (row >= source_.rowCount()) {
            return {};
        }
        return QString::fromStdString(source_.valueAt(row, fieldIndexes_[column]));
    } catch (const std::exception&) {
        return {};
    }
}

int RecordSetModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : rows_;
}

int RecordSetModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant RecordSetModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole) {
        return {};
    }
    return text(index.row(), index.column());
}

QVariant RecordSetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    return QString::fromUtf8(columns_.at(static_cast<std::size_t>(section)).title);
}

CaptionedGrid captionedGrid(QWidget* parent, QRect area, const QString& caption)
{
    constexpr int kCaptionHeight = 18;
    auto* strip = new QLabel(caption, parent);
    strip->setObjectName(QStringLiteral("gridCaption"));
    strip->setGeometry(area.x(), area.y(), area.width(), kCaptionHeight);
    strip->setAlignment(Qt::AlignCenter);
    strip->setAutoFillBackground(true);
    strip->setStyleSheet(
        QStringLiteral("background: rgb(0, 0, 128); color: white; font-weight: bold;"));
    auto* view = new QTableView(parent);
    view->setAccessibleName(caption);
    view->setGeometry(area.adjusted(0, kCaptionHeight, 0, 0));
    return {strip, view};
}

RecordSetGrid::RecordSetGrid(QTableView* view, storage::DataSource& source, RecordSetModel* model,
                             const std::vector<RecordSetModel::Column>& columns)
    : view_(view), source_(source), model_(model)
{
    view_->setModel(model_);
    for (int i = 0; i < static_cast<int>(columns.size()); ++i) {
        // Made wide enough for its title, whatever the font, when the window is shown.
        view_->setColumnWidth(i, columns[static_cast<std::size_t>(i)].width);
    }
    view_->setSelectionBehavior(QAbstractItemView::SelectRows);
    view_->setSelectionMode(QAbstractItemView::SingleSelection);
    view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view_->setAlternatingRowColors(true);
    view_->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel); // a row can be centred
    view_->verticalHeader()->hide();
    view_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view_->verticalHeader()->setDefaultSectionSize(18);
    view_->horizontalHeader()->setStretchLastSection(true);
    QObject::connect(view_->selectionModel(), &QItemSelectionModel::currentRowChanged, view_,
                     [this](const QModelIndex& current) {
                         if (current.isValid()) {
                             source_.setCurrentRow(current.row());
                         }
                     });
}

void RecordSetGrid::refresh()
{
    model_->refresh();
    selectRow(0);
}

int RecordSetGrid::selectedRow() const
{
    const QModelIndex current = view_->selectionModel()->currentIndex();
    return current.isValid() ? current.row() : -1;
}

QString RecordSetGrid::selectedText(int column) const
{
    return model_->text(selectedRow(), column);
}

void RecordSetGrid::selectRow(int row)
{
    if (row < 0 || row >= model_->rowCount()) {
        return;
    }
    const QModelIndex index = model_->index(row, 0);
    view_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                        QItemSelectionModel::Rows);
    view_->scrollTo(index, QAbstractItemView::PositionAtCenter);
    source_.setCurrentRow(row);
}

} // namespace ui
