#include "batchwindow/codicidafile.h"

#include "batch/batch.h"
#include "batch/batchinput.h"
#include "batch/verifybatch.h"
#include "text/textfold.h"
#include "ui/messages.h"
#include "ui/widgets.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QTableWidget>
#include <QUrl>

#include <algorithm>
#include <climits>
#include <istream>
#include <optional>
#include <utility>

namespace {

namespace texts {
constexpr const char* kWindowTitle = "Codici fiscali da file";
constexpr const char* kHeading =
    "Calcolo e verifica dei codici fiscali di un elenco in un file CSV";
constexpr const char* kFileCaption = "File";
constexpr const char* kChoose = "&Scegli il file…";
constexpr const char* kCalculate = "&Calcola i codici";
constexpr const char* kVerify = "&Verifica i codici";
constexpr const char* kStop = "&Interrompi";
constexpr const char* kOpenAnswer = "Apri il &risultato";
constexpr const char* kOpenFolder = "Apri la c&artella";
constexpr const char* kExit = "&Uscita";
constexpr const char* kPreviewName = "Prime righe del file";
constexpr const char* kProgressName = "Avanzamento";
constexpr const char* kSummary = "Riepilogo";
constexpr const char* kFirstErrors = "Primi errori";

constexpr const char* kDialogTitle = "File CSV delle persone o dei codici fiscali";
constexpr const char* kDialogFilter = "File CSV (*.csv *.txt);;Tutti i file (*)";

constexpr const char* kNoFile =
    "Scegliere un file CSV separato da \";\", con l'intestazione nella prima riga.";
constexpr const char* kColumnsFound = "Colonne trovate: %1; codifica %2.";
constexpr const char* kCannotUse = "Il file %1 non si può elaborare.\r\n"
                                   "Per calcolare i codici: %2.\r\n"
                                   "Per verificare i codici: %3.";

constexpr const char* kReadingPlaces = "Lettura dell'archivio dei comuni…";
constexpr const char* kCounting = "Conteggio delle righe del file…";
constexpr const char* kRowsDone = "Righe elaborate: %1 di %2";
constexpr const char* kWritten = "Scritto il file %1: %2 righe in %3 secondi.";
constexpr const char* kStopped = "Interrotto: nessun file è stato scritto.";
constexpr const char* kFailed = "Non completato: nessun file è stato scritto.";

constexpr const char* kRowsRead = "Righe lette: %1";
constexpr const char* kComputed = "Codici calcolati: %1";
constexpr const char* kValid = "Codici validi: %1";
constexpr const char* kWithError = "Righe con errore: %1";
constexpr const char* kWithNotice = "Righe con avviso: %1";
constexpr const char* kAmbiguous = "Comuni ambigui: %1";
constexpr const char* kErrorRow = "Riga %1: %2";
constexpr const char* kMoreErrors = "… e altre %1 righe con errore";
constexpr const char* kNotOpened = "Nessun programma del desktop ha aperto %1.";
} // namespace texts

// Where the folder of the last file chosen is remembered.
constexpr const char* kLastFolderKey = "CodiciDaFile/cartella";

constexpr QSize kClientSize(560, 472);
constexpr int kPreviewRows = 5;
constexpr int kPreviewColumnLetters = 22; // the widest a column of long values is
constexpr int kPollMs = 40;               // progress is shown at least this often
constexpr int kCountLines = 5;            // of the summary

QString fromUtf8(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString number(std::size_t count)
{
    return QLocale().toString(static_cast<qulonglong>(count));
}

QString askForFile(QWidget* parent, const QString& folder)
{
    return QFileDialog::getOpenFileName(parent, QString::fromUtf8(texts::kDialogTitle), folder,
                                        QString::fromUtf8(texts::kDialogFilter));
}

QLabel* addLabel(QWidget* parent, const QString& name, const QString& text, QRect area)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setGeometry(area);
    return label;
}

// The columns of `header` that a batch reading `columns` reads, as the header writes them.
QStringList columnsRead(const std::vector<std::string>& header, const batch::BatchColumns& columns)
{
    QStringList read;
    for (const std::string& name : header) {
        if (batch::readsColumn(columns, name)) {
            read << fromUtf8(name).trimmed();
        }
    }
    return read;
}

} // namespace

CodiciDaFile::CodiciDaFile(location::DatabaseName database, QWidget* parent)
    : FixedDialog(parent, texts::kWindowTitle, kClientSize), database_(std::move(database)),
      chooseFile_(askForFile)
{
    setObjectName(QStringLiteral("CodiciDaFile"));
    buttons_ = new ui::ButtonArray("bottone", this);
    buildFileArea();
    buildRunArea();
    buildSummaryArea();
    setTabOrder();
    connect(buttons_, &QButtonGroup::idClicked, this, &CodiciDaFile::bottoneClicked);
    poll_.setInterval(kPollMs);
    connect(&poll_, &QTimer::timeout, this, &CodiciDaFile::poll);
    clearSummary();
    updateCommands();
    button(Choose)->setFocus();
}

CodiciDaFile::~CodiciDaFile() = default; // a batch running is stopped, and leaves nothing

void CodiciDaFile::buildFileArea()
{
    auto* heading = new ui::CaptionPanel(texts::kHeading, this);
    heading->setObjectName(QStringLiteral("SSPanel1"));
    heading->setGeometry(8, 8, 544, 20);

    QLabel* caption =
        addLabel(this, QStringLiteral("Label1_0"), texts::kFileCaption, QRect(8, 39, 40, 16));
    fileBox_ = new QLineEdit(this);
    fileBox_->setObjectName(QStringLiteral("Text1_0"));
    fileBox_->setAccessibleName(texts::kFileCaption);
    fileBox_->setReadOnly(true);
    fileBox_->setGeometry(52, 36, 370, 22);
    caption->setBuddy(fileBox_);
    buttons_->addPushButton(Choose, texts::kChoose, this, QRect(428, 35, 124, 24));

    columnsFound_ = addLabel(this, QStringLiteral("Label2"), QString::fromUtf8(texts::kNoFile),
                             QRect(8, 64, 544, 16));
    columnsFound_->setAccessibleName(QStringLiteral("Colonne trovate"));

    preview_ = new QTableWidget(this);
    preview_->setObjectName(QStringLiteral("Grid1"));
    preview_->setAccessibleName(texts::kPreviewName);
    preview_->setGeometry(8, 84, 544, 132);
    preview_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    preview_->setSelectionBehavior(QAbstractItemView::SelectRows);
    preview_->setTabKeyNavigation(false); // Tab goes on to the next control
    preview_->verticalHeader()->setDefaultSectionSize(20);
}

void CodiciDaFile::buildRunArea()
{
    buttons_->addPushButton(Calculate, texts::kCalculate, this, QRect(8, 224, 130, 24));
    buttons_->addPushButton(Verify, texts::kVerify, this, QRect(144, 224, 130, 24));
    buttons_->addPushButton(Stop, texts::kStop, this, QRect(280, 224, 100, 24));

    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("ProgressBar1"));
    progress_->setAccessibleName(texts::kProgressName);
    progress_->setGeometry(8, 256, 544, 18);
    progressText_ = addLabel(this, QStringLiteral("Label3"), QString(), QRect(8, 278, 544, 16));
    progressText_->setAccessibleName(texts::kProgressName);
}

void CodiciDaFile::buildSummaryArea()
{
    auto* area = new QFrame(this);
    area->setObjectName(QStringLiteral("Frame1"));
    area->setAccessibleName(texts::kSummary);
    area->setFrameStyle(QFrame::Box | QFrame::Sunken);
    area->setGeometry(8, 300, 544, 132);

    auto* heading = new ui::CaptionPanel(texts::kSummary, area);
    heading->setObjectName(QStringLiteral("SSPanel2"));
    heading->setGeometry(4, 4, 536, 20);

    for (int line = 0; line < kCountLines; ++line) {
        counts_ << addLabel(area, QStringLiteral("Label4_%1").arg(line), QString(),
                            QRect(8, 28 + 18 * line, 196, 16));
    }
    QLabel* errorsCaption =
        addLabel(area, QStringLiteral("Label5"), QString::fromUtf8(texts::kFirstErrors),
                 QRect(212, 28, 324, 16));
    firstErrors_ = new QListWidget(area);
    firstErrors_->setObjectName(QStringLiteral("List1"));
    firstErrors_->setAccessibleName(texts::kFirstErrors);
    firstErrors_->setGeometry(212, 46, 324, 80);
    firstErrors_->setWordWrap(true); // a long reason shows whole
    firstErrors_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    errorsCaption->setBuddy(firstErrors_);

    buttons_->addPushButton(OpenAnswer, texts::kOpenAnswer, this, QRect(8, 440, 130, 24));
    buttons_->addPushButton(OpenFolder, texts::kOpenFolder, this, QRect(144, 440, 130, 24));
    buttons_->addPushButton(Exit, texts::kExit, this, QRect(452, 440, 100, 24));
}

void CodiciDaFile::setTabOrder()
{
    QWidget* order[] = {fileBox_,           button(Choose), preview_,     button(Calculate),
                        button(Verify),     button(Stop),   firstErrors_, button(OpenAnswer),
                        button(OpenFolder), button(Exit)};
    for (std::size_t i = 1; i < std::size(order); ++i) {
        QWidget::setTabOrder(order[i - 1], order[i]);
    }
}

QPushButton* CodiciDaFile::button(Button index) const
{
    return qobject_cast<QPushButton*>(buttons_->button(index));
}

void CodiciDaFile::bottoneClicked(int index)
{
    switch (index) {
    case Choose:
        chooseFile();
        break;
    case Calculate:
        start(BatchJob::Kind::Calculation);
        break;
    case Verify:
        start(BatchJob::Kind::Verification);
        break;
    case Stop:
        stop();
        break;
    case OpenAnswer:
    case OpenFolder: {
        const QString target = index == OpenAnswer ? answer_ : QFileInfo(answer_).absolutePath();
        if (!QDesktopServices::openUrl(QUrl::fromLocalFile(target))) {
            ui::inform(this, ui::Icon::Information, ui::kAttention,
                       QString::fromUtf8(texts::kNotOpened).arg(target));
        }
        break;
    }
    case Exit:
        reject();
        break;
    default:
        break;
    }
}

// The window closes at once: a batch running is stopped and leaves nothing.
void CodiciDaFile::reject()
{
    stop();
    FixedDialog::reject();
}

void CodiciDaFile::chooseFile()
{
    QSettings settings;
    const QString folder = settings.value(kLastFolderKey, QDir::homePath()).toString();
    const QString file = chooseFile_(this, folder);
    if (file.isEmpty()) {
        return;
    }
    settings.setValue(kLastFolderKey, QFileInfo(file).absolutePath());
    if (showPreview(file)) {
        file_ = file;
        fileBox_->setText(QDir::toNativeSeparators(file));
        answer_.clear();
        clearSummary();
        progress_->reset();
        progressText_->clear();
        updateCommands();
        button(canCalculate_ ? Calculate : Verify)->setFocus(); // Enter starts
    }
}

// Shows the header and the first rows of `file`, read as a batch reads them, and which batches
// its columns allow. A file that cannot be read, or whose columns allow none, is told why and
// leaves the window as it was.
bool CodiciDaFile::showPreview(const QString& file)
{
    const std::string name = QFile::encodeName(file).toStdString();
    const std::optional<batch::BatchPreview> preview = readPreview(name);
    if (!preview) {
        return false;
    }
    const std::string calculation =
        batch::headerRefusal(preview->header, batch::calculationColumns());
    const std::string verification =
        batch::headerRefusal(preview->header, batch::verificationColumns());
    if (!calculation.empty() && !verification.empty()) {
        ui::inform(
            this, ui::Icon::Error, ui::kAttention,
            QString::fromUtf8(texts::kCannotUse)
                .arg(fromUtf8(text::quoted(name)), fromUtf8(calculation), fromUtf8(verification)));
        return false;
    }
    canCalculate_ = calculation.empty();
    canVerify_ = verification.empty();
    QStringList found;
    found << (canCalculate_ ? columnsRead(preview->header, batch::calculationColumns())
                            : QStringList())
          << (canVerify_ ? columnsRead(preview->header, batch::verificationColumns())
                         : QStringList());
    ui::showElided(columnsFound_,
                   QString::fromUtf8(texts::kColumnsFound)
                       .arg(found.join(QStringLiteral(", ")), fromUtf8(preview->encoding)));
    fillPreview(*preview);
    return true;
}

// The start of the file `name`; nothing, once the user is told why, when it cannot be read.
std::optional<batch::BatchPreview> CodiciDaFile::readPreview(const std::string& name)
{
    const batch::BatchInput input = batch::openBatchInput(name, batch::StandardInput::NotOffered);
    if (!input.buffer) {
        ui::inform(this, ui::Icon::Error, ui::kAttention, fromUtf8(input.refusal));
        return std::nullopt;
    }
    std::istream in(input.buffer.get());
    batch::BatchPreview preview = batch::previewBatch(in, kPreviewRows);
    if (preview.inputFailed) {
        batch::BatchSummary failed;
        failed.end = batch::BatchEnd::InputFailed;
        ui::inform(this, ui::Icon::Error, ui::kAttention,
                   fromUtf8(batch::batchFailure(name, failed)));
        return std::nullopt;
    }
    return preview;
}

// The grid of the first rows: the header's titles, each row's line, each column as wide as its
// title and values but for long values.
void CodiciDaFile::fillPreview(const batch::BatchPreview& preview)
{
    preview_->clear();
    preview_->setColumnCount(static_cast<int>(preview.header.size()));
    preview_->setRowCount(static_cast<int>(preview.rows.size()));
    QStringList titles;
    for (const std::string& title : preview.header) {
        titles << fromUtf8(title);
    }
    preview_->setHorizontalHeaderLabels(titles);
    for (int row = 0; row < preview_->rowCount(); ++row) {
        const auto& shown = preview.rows[static_cast<std::size_t>(row)];
        preview_->setVerticalHeaderItem(row, new QTableWidgetItem(QString::number(shown.line)));
        const int columns =
            std::min(static_cast<int>(shown.fields.size()), preview_->columnCount());
        for (int column = 0; column < columns; ++column) {
            preview_->setItem(
                row, column,
                new QTableWidgetItem(fromUtf8(shown.fields[static_cast<std::size_t>(column)])));
        }
    }
    preview_->resizeColumnsToContents();
    const int widest = preview_->fontMetrics().averageCharWidth() * kPreviewColumnLetters;
    QHeaderView* header = preview_->horizontalHeader();
    for (int column = 0; column < header->count(); ++column) {
        header->resizeSection(column, std::max(header->sectionSizeHint(column),
                                               std::min(header->sectionSize(column), widest)));
    }
}

void CodiciDaFile::start(BatchJob::Kind kind)
{
    if (job_ || file_.isEmpty()) {
        return;
    }
    auto job = std::make_unique<BatchJob>(kind, QFile::encodeName(file_).toStdString(), database_);
    if (const std::string refusal = job->start(); !refusal.empty()) {
        ui::inform(this, ui::Icon::Error, ui::kAttention, fromUtf8(refusal));
        return;
    }
    job_ = std::move(job);
    kind_ = kind;
    answer_.clear();
    clearSummary();
    clock_.start();
    poll_.start();
    updateCommands();
    poll();
    button(Stop)->setFocus();
}

// Stops at once: the window says so now, the batch leaves nothing behind.
void CodiciDaFile::stop()
{
    if (!job_) {
        return;
    }
    job_->stop();
    button(Stop)->setEnabled(false);
    progressText_->setText(QString::fromUtf8(texts::kStopped));
}

void CodiciDaFile::poll()
{
    if (!job_) {
        return;
    }
    if (job_->finished()) {
        finish();
        return;
    }
    if (!button(Stop)->isEnabled()) {
        return; // stopping
    }
    switch (job_->phase()) {
    case BatchJob::Phase::ReadingPlaces:
    case BatchJob::Phase::Counting:
        progress_->setRange(0, 0); // busy
        progressText_->setText(QString::fromUtf8(
            job_->phase() == BatchJob::Phase::Counting ? texts::kCounting : texts::kReadingPlaces));
        break;
    case BatchJob::Phase::Answering: {
        const std::size_t total = job_->rowsInFile();
        const std::size_t done = std::min(job_->rowsDone(), total);
        progress_->setRange(0, static_cast<int>(std::min<std::size_t>(total, INT_MAX)));
        progress_->setValue(static_cast<int>(std::min<std::size_t>(done, INT_MAX)));
        progressText_->setText(
            QString::fromUtf8(texts::kRowsDone).arg(number(done), number(total)));
        break;
    }
    }
}

void CodiciDaFile::finish()
{
    poll_.stop();
    const std::unique_ptr<BatchJob> job = std::move(job_);
    const BatchJob::Outcome& outcome = job->outcome();
    switch (outcome.end) {
    case BatchJob::Outcome::End::Written:
        answer_ = QFile::decodeName(outcome.result.string().c_str());
        showSummary(outcome);
        break;
    case BatchJob::Outcome::End::Stopped:
        progress_->reset();
        progressText_->setText(QString::fromUtf8(texts::kStopped));
        break;
    case BatchJob::Outcome::End::Failed:
        progress_->reset();
        progressText_->setText(QString::fromUtf8(texts::kFailed));
        ui::inform(this, ui::Icon::Error, ui::kAttention, fromUtf8(outcome.failure));
        break;
    }
    updateCommands();
    button(answer_.isEmpty() ? Choose : OpenAnswer)->setFocus();
}

void CodiciDaFile::showSummary(const BatchJob::Outcome& outcome)
{
    const batch::BatchProgress& rows = outcome.summary.progress;
    const bool calculation = kind_ == BatchJob::Kind::Calculation;
    progress_->setRange(0, 1);
    progress_->setValue(1);
    const double seconds = static_cast<double>(clock_.elapsed()) / 1000;
    progressText_->setText(QString::fromUtf8(texts::kWritten)
                               .arg(QFileInfo(answer_).fileName(), number(rows.rows),
                                    QLocale().toString(seconds, 'f', 1)));
    QStringList lines = {
        QString::fromUtf8(texts::kRowsRead).arg(number(rows.rows)),
        QString::fromUtf8(calculation ? texts::kComputed : texts::kValid)
            .arg(number(rows.rows - rows.failed)),
        QString::fromUtf8(texts::kWithError).arg(number(rows.failed)),
    };
    if (calculation) {
        lines << QString::fromUtf8(texts::kWithNotice).arg(number(rows.noticed))
              << QString::fromUtf8(texts::kAmbiguous).arg(number(rows.ambiguous));
    }
    for (qsizetype line = 0; line < lines.size(); ++line) {
        counts_[line]->setText(lines[line]);
        counts_[line]->show();
    }
    for (const batch::RowFailure& failure : outcome.summary.firstFailures) {
        firstErrors_->addItem(QString::fromUtf8(texts::kErrorRow)
                                  .arg(QString::number(failure.line), fromUtf8(failure.reason)));
    }
    if (const std::size_t more = rows.failed - outcome.summary.firstFailures.size(); more > 0) {
        firstErrors_->addItem(QString::fromUtf8(texts::kMoreErrors).arg(number(more)));
    }
}

void CodiciDaFile::clearSummary()
{
    for (QLabel* line : counts_) {
        line->clear();
        line->hide();
    }
    firstErrors_->clear();
}

// What can be done now: while a batch runs, only interrupt it (Escape) or leave; otherwise
// choose a file, start what its columns allow (Enter) and open the answer written.
void CodiciDaFile::updateCommands()
{
    const bool busy = running();
    button(Choose)->setEnabled(!busy);
    button(Calculate)->setEnabled(!busy && canCalculate_);
    button(Verify)->setEnabled(!busy && canVerify_);
    button(Stop)->setEnabled(busy);
    button(OpenAnswer)->setEnabled(!busy && !answer_.isEmpty());
    button(OpenFolder)->setEnabled(!busy && !answer_.isEmpty());
    QPushButton* start = button(canCalculate_ ? Calculate : Verify);
    button(canCalculate_ ? Verify : Calculate)->setDefault(false);
    setDefaultButton(start);
    setEscapeButton(button(busy ? Stop : Exit));
}
