#pragma once

#include "batchwindow/batchjob.h"
#include "ui/fixeddialog.h"

#include <QElapsedTimer>
#include <QList>
#include <QString>
#include <QTimer>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QTableWidget;

namespace ui {
class ButtonArray;
}

// The window of a whole list: the user chooses a CSV file, sees its first rows and the columns
// found, and has the fiscal codes computed ("Calcola i codici", columns cognome, nome, data,
// sesso, comune and provincia) or verified ("Verifica i codici", column codice_fiscale), as
// cfcalc --batch and --verifica --batch do, on a thread of its own: a progress bar counts the
// rows, "Interrompi" stops at once and leaves nothing. The answer is written beside the file
// (see BatchJob); a summary tells the rows read, the codes computed or valid, the rows with an
// error or a notice, the ambiguous places and the first errors with their rows, and two buttons
// open the answer and its folder. Enter starts, Escape interrupts a batch running or closes.
class CodiciDaFile : public ui::FixedDialog {
    Q_OBJECT
public:
    // `database`: the archive whose places the batch reads.
    explicit CodiciDaFile(location::DatabaseName database, QWidget* parent = nullptr);
    ~CodiciDaFile() override;

    // Asks the user for the file, starting in `folder`; empty when the user gives none. A file
    // dialog unless replaced (tests give their own file).
    using FileChooser = std::function<QString(QWidget* parent, const QString& folder)>;
    void setFileChooser(FileChooser chooser) { chooseFile_ = std::move(chooser); }

    // Whether a batch is running.
    bool running() const { return job_ != nullptr; }

public slots:
    void reject() override;

private:
    enum Button { Choose, Calculate, Verify, Stop, OpenAnswer, OpenFolder, Exit }; // bottone

    void buildFileArea();
    void buildRunArea();
    void buildSummaryArea();
    void setTabOrder();

    void bottoneClicked(int index);
    void chooseFile();
    bool showPreview(const QString& file);
    std::optional<batch::BatchPreview> readPreview(const std::string& name);
    void fillPreview(const batch::BatchPreview& preview);
    void start(BatchJob::Kind kind);
    void stop();
    void poll();
    void finish();
    void showSummary(const BatchJob::Outcome& outcome);
    void clearSummary();
    void updateCommands();
    QPushButton* button(Button index) const;

    location::DatabaseName database_;
    FileChooser chooseFile_;
    QString file_;   // the file chosen
    QString answer_; // the answer written last
    bool canCalculate_ = false;
    bool canVerify_ = false;
    std::unique_ptr<BatchJob> job_;
    BatchJob::Kind kind_ = BatchJob::Kind::Calculation;
    QTimer poll_;
    QElapsedTimer clock_;

    QLineEdit* fileBox_ = nullptr;       // Text1_0
    QLabel* columnsFound_ = nullptr;     // Label2
    QTableWidget* preview_ = nullptr;    // Grid1
    ui::ButtonArray* buttons_ = nullptr; // bottone
    QProgressBar* progress_ = nullptr;   // ProgressBar1
    QLabel* progressText_ = nullptr;     // Label3
    QList<QLabel*> counts_;              // Label4: the lines of the summary
    QListWidget* firstErrors_ = nullptr; // List1
};
