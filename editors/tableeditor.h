#pragma once

#include "editors/htmlexport.h"
#include "location/datalocation.h"
#include "storage/datasource.h"
#include "ui/fixeddialog.h"
#include "ui/recordsetmodel.h"
#include "ui/widgets.h"

#include <QMap>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QGroupBox;
class QLineEdit;
class QPushButton;
class QTableView;

// What the municipality and locality editors have in common, on the database they are handed: a
// grid of the table, the command frame (Nuovo, Modifica, Cancella, Export, Uscita), the entry
// frame with one box per field and Ok/Annulla, the three modes (browsing, a new row, a change),
// the duplicate check on the row's key, deletion after a question, the HTML export beside the
// database and the keys. During an entry Enter saves it, the commands that would do nothing are
// disabled, the entry frame's title says whether a new row is entered, and leaving the window asks
// first. When an entry ends or a row is deleted, the grid shows the table afresh and takes the
// focus on the row saved, the row the entry started from, or the one nearest the deleted row. Each
// editor describes its table in a Definition.
class TableEditor : public ui::FixedDialog {
    Q_OBJECT
public:
    // Indexes of the buttons (bottone).
    enum Button { New = 0, Modify = 1, Delete = 2, Exit = 3, Ok = 4, Cancel = 5, Export = 7 };

    // What the window is doing: browsing the grid, or an entry of a new row or of a change.
    enum class Mode { Browsing, New, Modify };

    // The shape a box's value must have to be saved; it is saved in capitals when asked.
    struct Shape {
        bool (*accepts)(std::string_view value);
        const char* refusal; // the message when it does not
        bool capitals;
    };

    struct EntryBox {
        const char* caption;
        int captionIndex; // of its label, Label2
        QPoint captionAt; // in the entry frame, pixels
        QRect area;
        int maxLength;
        std::optional<Shape> shape = std::nullopt;
    };

    struct Definition {
        const char* objectName;
        const char* caption;
        QSize clientSize;
        QRect entryFrame;
        storage::Query (*rows)(); // Data1 and Data44: the rows of the grid and of the export
        // Grid columns; entry box i edits the field of column i.
        std::vector<ui::RecordSetModel::Column> columns;
        std::vector<EntryBox> boxes;
        std::vector<int> requiredBoxes;
        // The boxes whose values together make a row's key, which no two rows may share. The rows
        // holding the first key box's value are those rowsWithKey gives (Data2: the same text,
        // letter case aside); the further key boxes compare as texts, without regard to letter
        // case and to blanks at the ends.
        std::vector<int> keyBoxes = {0};
        storage::Query (*rowsWithKey)(std::string_view firstBox);
        const char* deleteQuestion;
        const char* deletedMessage;
        const char* duplicateMessage;
        bool commandsLockedDuringEntry;
        QRect okArea;
        QRect cancelArea;
        htmlexport::Layout page;
        const char* exportFields[2];
        bool trimSecondExportField; // leading and trailing blanks removed
        const char* exportFile;
        const char* exportMessage;
    };

    QLineEdit* text1(int index) const { return entryBoxes_.value(index); }
    Mode mode() const { return mode_; }

protected:
    // Throws storage::DataError when the table cannot be read: there is no window to show.
    TableEditor(QWidget* parent, location::DatabaseName database, Definition definition);

    const location::DatabaseName& database() const { return gridRows_.databaseName(); }
    // Buttons of the entry frame beyond Ok and Annulla.
    QPushButton* addEntryButton(int index, const char* caption, QRect area);
    virtual void entryButtonClicked(int) {}
    // Tells the user `text`, with the information icon.
    void report(const QString& text);
    // A command of the window's own that works only while browsing: disabled during an entry.
    void addBrowsingCommand(QWidget* command);
    // Reads the grid's rows again from the table.
    void refreshGrid();

    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildGrid();
    void buildCommands();
    void buildEntryFrame();
    QPushButton* addButton(QWidget* frame, int index, const char* caption, QRect area);

    void bottoneClicked(int index);
    void startNew();
    void startModify();
    void deleteSelected();
    void save();
    void cancelEntry();
    void endEntry(const QStringList& values, int otherwise);
    bool writeSelected(const std::function<void()>& write);
    void setMode(Mode mode);
    QList<QWidget*> browsingCommands() const;
    void enterEntry(bool entering);
    int boxLimit(int index) const; // the entry box's own maximum length
    void clearBoxes();
    void browseFrom(int row);
    QStringList selectedTexts() const;
    int rowHolding(const QStringList& values) const;
    bool hasRows() const;

    bool hasShapes();
    bool hasTypedFurtherKey(const std::function<QString(int column)>& rowText) const;
    bool CercaDoppione();
    void EsportaHTML();

    Definition definition_;
    storage::DataSource gridRows_;       // Data1: the rows of the grid, written by Ok and Cancella
    storage::DataSource duplicateCheck_; // Data2
    storage::DataSource exportRows_;     // Data44
    ui::RecordSetModel* model_ = nullptr;
    std::unique_ptr<ui::RecordSetGrid> grid_;
    QTableView* gridView_ = nullptr;
    QGroupBox* entryFrame_ = nullptr;    // Frame1
    QGroupBox* commandFrame_ = nullptr;  // Frame2
    Mode mode_ = Mode::Browsing;         // Text3
    QMap<int, QLineEdit*> entryBoxes_;   // Text1, by index
    ui::ButtonArray* buttons_ = nullptr; // bottone
    QList<QWidget*> browsingOnly_;       // the window's own commands for browsing
};
