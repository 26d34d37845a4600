#include "editors/tableeditor.h"

#include "text/textfold.h"
#include "ui/messages.h"
#include "ui/twips.h"
#include "ui/widgets.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

#include <algorithm>

namespace {

constexpr const char* kEmptyFields = "Inserire i dati prima di salvare !";
constexpr const char* kLeaveEntry = "Abbandonare le modifiche?";

// The entry frame's title says what an entry does.
constexpr const char* kEntryTitle = "Immissione / Modifica dati";
constexpr const char* kNewRowTitle = "Immissione / Modifica dati: nuova riga";
constexpr const char* kCopiedRowTitle =
    "Immissione / Modifica dati: nuova riga, copia di quella scelta";
constexpr const char* kChangedRowTitle = "Immissione / Modifica dati: modifica della riga scelta";

const QRect kGridArea = ui::twipsRect(120, 120, 5895, 2700);
const QRect kCommandFrame = ui::twipsRect(6120, 120, 1455, 2175);

// The command buttons, top to bottom, in the command frame.
const struct {
    int index;
    const char* caption;
} kCommands[] = {{TableEditor::New, "&Nuovo"},
                 {TableEditor::Modify, "&Modifica"},
                 {TableEditor::Delete, "&Cancella"},
                 {TableEditor::Export, "&Export"},
                 {TableEditor::Exit, "&Uscita"}};

void paleYellow(QWidget* frame)
{
    frame->setAutoFillBackground(true);
    QPalette colours = frame->palette();
    colours.setColor(QPalette::Window, QColor(255, 255, 192));
    frame->setPalette(colours);
}

QString fromStd(const std::string& text)
{
    return QString::fromStdString(text);
}

} // namespace

TableEditor::TableEditor(QWidget* parent, location::DatabaseName database, Definition definition)
    : FixedDialog(parent, QString::fromUtf8(definition.caption), definition.clientSize),
      definition_(std::move(definition)), gridRows_(database, definition_.rows()),
      duplicateCheck_(database, {}), exportRows_(database, definition_.rows())
{
    setObjectName(definition_.objectName);
    buttons_ = new ui::ButtonArray("bottone", this);
    connect(buttons_, &QButtonGroup::idClicked, this, &TableEditor::bottoneClicked);

    buildGrid();
    buildCommands();
    buildEntryFrame();

    refreshGrid(); // a table that cannot be read keeps the window from opening
    enterEntry(false);
}

void TableEditor::buildGrid()
{
    gridView_ = ui::captionedGrid(this, kGridArea, QStringLiteral("Dati")).view;
    gridView_->setObjectName(QStringLiteral("grid"));
    model_ = new ui::RecordSetModel(gridRows_, definition_.columns, this);
    grid_ = std::make_unique<ui::RecordSetGrid>(gridView_, gridRows_, model_, definition_.columns);
}

QPushButton* TableEditor::addButton(QWidget* frame, int index, const char* caption, QRect area)
{
    return buttons_->addPushButton(index, QString::fromUtf8(caption), frame, area);
}

void TableEditor::buildCommands()
{
    commandFrame_ = new QGroupBox(QStringLiteral("Opzioni"), this);
    commandFrame_->setObjectName(QStringLiteral("Frame2"));
    commandFrame_->setGeometry(kCommandFrame);
    paleYellow(commandFrame_);
    int top = 240;
    for (const auto& command : kCommands) {
        addButton(commandFrame_, command.index, command.caption,
                  ui::twipsRect(240, top, 1005, 285));
        top += 360;
    }
}

void TableEditor::buildEntryFrame()
{
    entryFrame_ = new QGroupBox(QString::fromUtf8(kEntryTitle), this);
    entryFrame_->setObjectName(QStringLiteral("Frame1"));
    entryFrame_->setGeometry(definition_.entryFrame);
    paleYellow(entryFrame_);
    for (int i = 0; i < static_cast<int>(definition_.boxes.size()); ++i) {
        const EntryBox& box = definition_.boxes[static_cast<std::size_t>(i)];
        auto* label = new QLabel(QString::fromUtf8(box.caption), entryFrame_);
        label->setObjectName(QStringLiteral("Label2_%1").arg(box.captionIndex));
        label->move(box.captionAt);
        auto* text = new QLineEdit(entryFrame_);
        text->setObjectName(QStringLiteral("Text1_%1").arg(i));
        text->setAccessibleName(QString::fromUtf8(box.caption).trimmed());
        text->setGeometry(box.area);
        text->setMaxLength(box.maxLength);
        ui::emptyClipboardOnEntry(text, true);
        label->setBuddy(text);
        entryBoxes_[i] = text;
    }
    // During an entry Enter saves it, wherever the focus is but on another button.
    setDefaultButton(addButton(entryFrame_, Ok, "&Ok", definition_.okArea));
    // During an entry Escape cancels it; while browsing the button, and so Escape, does nothing.
    setEscapeButton(addButton(entryFrame_, Cancel, "&Annulla", definition_.cancelArea));
}

QPushButton* TableEditor::addEntryButton(int index, const char* caption, QRect area)
{
    return addButton(entryFrame_, index, caption, area);
}

// The commands that would do nothing in the mode are shown disabled: Nuovo during a new entry,
// Modifica, Cancella and the window's own browsing commands during any entry. The entry frame's
// title says what the entry does; Nuovo during a change makes it a new row with the values loaded.
void TableEditor::setMode(Mode mode)
{
    const bool copied = mode == Mode::New && mode_ == Mode::Modify;
    mode_ = mode;
    buttons_->button(New)->setEnabled(mode != Mode::New);
    for (QWidget* command : browsingCommands()) {
        command->setEnabled(mode == Mode::Browsing);
    }
    entryFrame_->setTitle(QString::fromUtf8(mode == Mode::Modify ? kChangedRowTitle
                                            : copied             ? kCopiedRowTitle
                                            : mode == Mode::New  ? kNewRowTitle
                                                                 : kEntryTitle));
}

QList<QWidget*> TableEditor::browsingCommands() const
{
    return QList<QWidget*>{buttons_->button(Modify), buttons_->button(Delete)} + browsingOnly_;
}

void TableEditor::addBrowsingCommand(QWidget* command)
{
    browsingOnly_ << command;
}

bool TableEditor::hasRows() const
{
    return model_->rowCount() > 0;
}

void TableEditor::report(const QString& text)
{
    ui::inform(this, ui::Icon::Information, ui::kAttention, text);
}

// During an entry the grid is disabled (keeping its selected row) and the entry frame enabled;
// the locality editor also locks its command frame.
void TableEditor::enterEntry(bool entering)
{
    gridView_->setEnabled(!entering);
    entryFrame_->setEnabled(entering);
    commandFrame_->setEnabled(!entering || !definition_.commandsLockedDuringEntry);
}

int TableEditor::boxLimit(int index) const
{
    return definition_.boxes[static_cast<std::size_t>(index)].maxLength;
}

void TableEditor::clearBoxes()
{
    for (auto box = entryBoxes_.cbegin(); box != entryBoxes_.cend(); ++box) {
        box.value()->clear();
        box.value()->setMaxLength(boxLimit(box.key()));
    }
}

void TableEditor::refreshGrid()
{
    grid_->refresh();
}

// The grid selects `row`, or its last row when it has no longer so many, and takes the focus, so
// that the arrow keys move on from there.
void TableEditor::browseFrom(int row)
{
    grid_->selectRow(std::min(row, model_->rowCount() - 1));
    gridView_->setFocus();
}

// The texts of the selected row, one per entry box.
QStringList TableEditor::selectedTexts() const
{
    QStringList values;
    for (int column = 0; column < static_cast<int>(definition_.boxes.size()); ++column) {
        values << grid_->selectedText(column);
    }
    return values;
}

// The first row of the grid whose columns hold `values`, one per entry box; -1 for none.
int TableEditor::rowHolding(const QStringList& values) const
{
    for (int row = 0; row < model_->rowCount(); ++row) {
        bool same = true;
        for (int column = 0; same && column < static_cast<int>(values.size()); ++column) {
            same = model_->text(row, column) == values[column];
        }
        if (same) {
            return row;
        }
    }
    return -1;
}

void TableEditor::bottoneClicked(int index)
{
    ui::reportingDataErrors(this, [this, index] {
        switch (index) {
        case New:
            startNew();
            break;
        case Modify:
            startModify();
            break;
        case Delete:
            deleteSelected();
            break;
        case Exit:
            close();
            break;
        case Ok:
            save();
            break;
        case Cancel:
            cancelEntry();
            break;
        case Export:
            EsportaHTML();
            break;
        default:
            if (entryFrame_->isEnabled()) {
                entryButtonClicked(index);
            }
        }
    });
}

void TableEditor::startNew()
{
    if (mode() == Mode::New) {
        return;
    }
    enterEntry(true);
    entryBoxes_[0]->setFocus();
    setMode(Mode::New);
}

void TableEditor::startModify()
{
    if (!hasRows() || mode() == Mode::New || !gridView_->isEnabled()) {
        return;
    }
    enterEntry(true);
    for (auto box = entryBoxes_.cbegin(); box != entryBoxes_.cend(); ++box) {
        // A stored value longer than the box allows is loaded whole, so that saving the row
        // unchanged never shortens it.
        const QString value = grid_->selectedText(box.key());
        box.value()->setMaxLength(std::max(boxLimit(box.key()), static_cast<int>(value.size())));
        box.value()->setText(value);
    }
    entryBoxes_[0]->setFocus();
    setMode(Mode::Modify);
}

void TableEditor::deleteSelected()
{
    if (!hasRows() || mode() == Mode::New || !gridView_->isEnabled()) {
        return;
    }
    // The question names the row, as the grid shows it.
    if (!ui::ask(this, ui::kAttention,
                 QString::fromUtf8(definition_.deleteQuestion) + QStringLiteral("\r\n") +
                     selectedTexts().join(QStringLiteral(" - ")))) {
        return;
    }
    const int row = grid_->selectedRow();
    if (!writeSelected([this] { gridRows_.deleteCurrent(); })) {
        return;
    }
    refreshGrid(); // before the message, so the grid never shows the deleted row while it waits
    browseFrom(row);
    report(QString::fromUtf8(definition_.deletedMessage));
}

void TableEditor::save()
{
    if (!entryFrame_->isEnabled()) {
        return;
    }
    for (int required : definition_.requiredBoxes) {
        if (entryBoxes_[required]->text().isEmpty()) {
            report(kEmptyFields);
            return;
        }
    }
    if (!hasShapes() || CercaDoppione()) {
        return;
    }
    const bool adding = mode() == Mode::New;
    QStringList saved;
    const bool written = writeSelected([&] {
        if (adding) {
            gridRows_.addNew();
        } else {
            gridRows_.edit();
        }
        for (auto box = entryBoxes_.cbegin(); box != entryBoxes_.cend(); ++box) {
            // A box left as it was loaded keeps the stored value, whatever its type or bytes.
            const QString value = box.value()->text();
            if (adding || value != grid_->selectedText(box.key())) {
                gridRows_.setFieldValue(
                    definition_.columns[static_cast<std::size_t>(box.key())].field,
                    value.toStdString());
            }
            saved << value;
        }
        gridRows_.update();
    });
    if (written) {
        endEntry(saved, 0);
    }
}

void TableEditor::cancelEntry()
{
    if (!entryFrame_->isEnabled()) {
        return;
    }
    // Back to the row the entry started from (the disabled grid kept it selected).
    endEntry(selectedTexts(), grid_->selectedRow());
}

// Ends an entry: the boxes emptied, the grid read again and in use, with the focus on the row
// holding `values`, else on the row at `otherwise`.
void TableEditor::endEntry(const QStringList& values, int otherwise)
{
    clearBoxes();
    enterEntry(false);
    refreshGrid();
    const int found = rowHolding(values);
    browseFrom(found >= 0 ? found : otherwise);
    setMode(Mode::Browsing);
}

// Runs a change or deletion of the selected row. When another user changed or deleted that row
// since the grid read it, nothing was written: the entry ends, the grid shows the table as it is
// now, the user is told, and the result is false.
bool TableEditor::writeSelected(const std::function<void()>& write)
{
    const int row = grid_->selectedRow();
    try {
        write();
        return true;
    } catch (const storage::DataError& changed) {
        if (changed.kind() != storage::DataError::Kind::RowChanged) {
            throw;
        }
        endEntry({}, row);
        report(fromStd(changed.what()) + QStringLiteral(" L'elenco è stato aggiornato."));
        return false;
    }
}

// True when every box holds a value of its shape; the boxes that want capitals get them. Otherwise
// the user is told and the box gets the focus.
bool TableEditor::hasShapes()
{
    for (auto box = entryBoxes_.cbegin(); box != entryBoxes_.cend(); ++box) {
        const auto& shape = definition_.boxes[static_cast<std::size_t>(box.key())].shape;
        if (!shape) {
            continue;
        }
        if (shape->capitals) {
            box.value()->setText(box.value()->text().toUpper());
        }
        if (!shape->accepts(box.value()->text().toStdString())) {
            report(QString::fromUtf8(shape->refusal));
            box.value()->setFocus();
            return false;
        }
    }
    return true;
}

// Whether the row whose texts `rowText` gives, by column, holds what the further key boxes (all
// but the first) hold: the same texts without regard to case and to blanks at the ends.
bool TableEditor::hasTypedFurtherKey(const std::function<QString(int column)>& rowText) const
{
    const auto& key = definition_.keyBoxes;
    return std::all_of(key.begin() + 1, key.end(), [&](int box) {
        return rowText(box).trimmed().compare(entryBoxes_[box]->text().trimmed(),
                                              Qt::CaseInsensitive) == 0;
    });
}

// True when the key typed in the boxes already belongs to another row; the user has then been
// told. A row being changed may keep its own key, in any letter case.
bool TableEditor::CercaDoppione()
{
    const int first = definition_.keyBoxes.front();
    const std::string value = entryBoxes_[first]->text().toStdString();
    duplicateCheck_.setQuery(definition_.rowsWithKey(value));
    duplicateCheck_.refresh();
    const auto candidateText = [this](int column) {
        return fromStd(duplicateCheck_.fieldValue(
            definition_.columns[static_cast<std::size_t>(column)].field));
    };
    bool found = false;
    for (int row = 0; !found && row < duplicateCheck_.rowCount(); ++row) {
        duplicateCheck_.setCurrentRow(row);
        found = hasTypedFurtherKey(candidateText);
    }
    if (!found) {
        return false;
    }
    const auto selectedText = [this](int column) {
        return grid_->selectedText(column);
    };
    if (mode() == Mode::Modify &&
        text::sameIgnoringCase(selectedText(first).toStdString(), value) &&
        hasTypedFurtherKey(selectedText)) {
        return false;
    }
    report(QString::fromUtf8(definition_.duplicateMessage));
    entryBoxes_[first]->setFocus();
    return true;
}

void TableEditor::EsportaHTML()
{
    exportRows_.refresh();
    if (exportRows_.rowCount() <= 0) {
        return;
    }
    exportRows_.moveLast();
    const int count = exportRows_.rowCount();
    std::vector<htmlexport::Row> rows;
    rows.reserve(static_cast<std::size_t>(count));
    exportRows_.moveFirst(); // the rows just read, from the first
    const auto [first, second] = definition_.exportFields;
    for (int i = 0; i < count; ++i) {
        std::string secondValue = exportRows_.fieldValue(second);
        if (definition_.trimSecondExportField) {
            secondValue = std::string(text::trimmed(secondValue));
        }
        rows.emplace_back(fromStd(exportRows_.fieldValue(first)), fromStd(secondValue));
        exportRows_.moveNext();
    }
    // Beside the database in use.
    const QString fileName = QString::fromUtf8(definition_.exportFile);
    const QString folder = QString::fromStdU16String(database().folder().u16string());
    const QString page = QDir(folder).filePath(fileName);
    const bool hadPage = QFileInfo::exists(page);
    const QString failure =
        htmlexport::writePage(page, htmlexport::pageLines(definition_.page, rows));
    if (!failure.isEmpty()) {
        QString text = QStringLiteral("Impossibile scrivere il file %1 nella cartella %2: %3.")
                           .arg(fileName, QDir::toNativeSeparators(folder), failure);
        if (hadPage) {
            text += QStringLiteral(" Il file precedente non è stato modificato.");
        }
        report(text);
        return;
    }
    report(
        QStringLiteral("%1 nella cartella %2")
            .arg(QString::fromUtf8(definition_.exportMessage), QDir::toNativeSeparators(folder)));
}

// Leaving the window during an entry, by "&Uscita", F12 or the close box, drops the entry only when
// the user says so.
void TableEditor::closeEvent(QCloseEvent* event)
{
    if (mode() != Mode::Browsing &&
        !ui::ask(this, ui::kAttention, QString::fromUtf8(kLeaveEntry))) {
        event->ignore();
        return;
    }
    FixedDialog::closeEvent(event);
}

// F12 closes the window whatever the modifiers, also while one of its controls has the focus:
// no control of the editors uses that key, so it always reaches the window.
void TableEditor::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_F12) {
        close();
        return;
    }
    FixedDialog::keyPressEvent(event);
}
