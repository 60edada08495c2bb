// The export window: its controls, the choices read and checked, the export on its own thread,
// its progress and its report.
#include "windows/book/frmExport.h"

#include "app/modFunc.h"
#include "platform/Clock.h"
#include "platform/Dates.h"
#include "platform/Dialogs.h"
#include "platform/Error.h"
#include "platform/Services.h"
#include "platform/System.h"
#include "store/export/ExportFolder.h"
#include "windows/EditorHandover.h"
#include "windows/editor/frmMirel.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QDir>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTimer>
#include <QVBoxLayout>

namespace exporting = store::exporting;

namespace {

// An export shorter than this ends before its progress would be worth showing.
constexpr int ProgressAfterMs = 1000;
constexpr int ProgressStepMs = 100;

void named(QWidget* widget, const QString& objectName, const QString& accessibleName) {
    widget->setObjectName(objectName);
    widget->setAccessibleName(accessibleName);
}

void say(const QString& text, platform::Icon icon) {
    platform::dialogs().message(text, platform::Buttons::Ok, icon, platform::programTitle());
}

} // namespace

// How an export ended, handed from its thread to the window's.
struct frmExport::Outcome {
    std::optional<exporting::Report> report; // nothing: stopped or failed
    std::optional<platform::Error> error;
};

frmExport::frmExport(QWidget* parent)
    : QWidget(parent, Qt::Window), started_(std::make_unique<QElapsedTimer>()) {
    setObjectName(QStringLiteral("frmExport"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("日記の書き出し"));
    setFont(platform::namedFont(QStringLiteral("ＭＳ Ｐゴシック"), 9, false));
    makeControls();
    setDay(app::modFunc().WorkDate);
    resize(460, 340);
}

frmExport::~frmExport() {
    stop();
}

void frmExport::makeControls() {
    auto* rangeBox = new QGroupBox(QStringLiteral("範囲"), this);
    auto* rangeLayout = new QVBoxLayout(rangeBox);
    auto* rangeGroup = new QButtonGroup(this);
    const std::array<QString, 5> rangeNames{QStringLiteral("この日"), QStringLiteral("この月"),
                                            QStringLiteral("この年"), QStringLiteral("期間"),
                                            QStringLiteral("全部")};
    for (std::size_t i = 0; i < rangeOption.size(); ++i) {
        rangeOption[i] = new QRadioButton(rangeNames[i], rangeBox);
        named(rangeOption[i], QStringLiteral("rangeOption_%1").arg(i), rangeNames[i]);
        rangeGroup->addButton(rangeOption[i]);
    }
    rangeOption[ThisDay]->setChecked(true);
    fromBox = new QLineEdit(rangeBox);
    named(fromBox, QStringLiteral("fromBox"), QStringLiteral("期間の最初の日"));
    toBox = new QLineEdit(rangeBox);
    named(toBox, QStringLiteral("toBox"), QStringLiteral("期間の最後の日"));
    for (QLineEdit* box : {fromBox, toBox}) {
        box->setEnabled(false);
        connect(rangeOption[Period], &QRadioButton::toggled, box, &QWidget::setEnabled);
    }
    for (const int i : {ThisDay, ThisMonth, ThisYear})
        rangeLayout->addWidget(rangeOption[std::size_t(i)]);
    auto* periodRow = new QHBoxLayout;
    periodRow->addWidget(rangeOption[Period]);
    periodRow->addWidget(fromBox, 1);
    periodRow->addWidget(new QLabel(QStringLiteral("～"), rangeBox));
    periodRow->addWidget(toBox, 1);
    rangeLayout->addLayout(periodRow);
    rangeLayout->addWidget(rangeOption[Everything]);

    auto* formatBox = new QGroupBox(QStringLiteral("形式"), this);
    auto* formatLayout = new QHBoxLayout(formatBox);
    htmlOption = new QRadioButton(QStringLiteral("HTML"), formatBox);
    named(htmlOption, QStringLiteral("htmlOption"), QStringLiteral("HTML"));
    markdownOption = new QRadioButton(QStringLiteral("Markdown"), formatBox);
    named(markdownOption, QStringLiteral("markdownOption"), QStringLiteral("Markdown"));
    htmlOption->setChecked(true);
    formatLayout->addWidget(htmlOption);
    formatLayout->addWidget(markdownOption);
    formatLayout->addStretch(1);

    auto* destinationLabel = new QLabel(QStringLiteral("書き出し先"), this);
    destinationBox =
        new QLineEdit(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation), this);
    named(destinationBox, QStringLiteral("destinationBox"), QStringLiteral("書き出し先"));
    destinationLabel->setBuddy(destinationBox);
    browseButton = new QPushButton(QStringLiteral("参照..."), this);
    named(browseButton, QStringLiteral("browseButton"), QStringLiteral("書き出し先を選ぶ"));

    progressBar = new QProgressBar(this);
    named(progressBar, QStringLiteral("progressBar"), QStringLiteral("書き出しの進み具合"));
    progressBar->hide();
    cancelButton = new QPushButton(QStringLiteral("中止"), this);
    named(cancelButton, QStringLiteral("cancelButton"), QStringLiteral("書き出しを中止"));
    cancelButton->hide();
    reportLabel = new QLabel(this);
    named(reportLabel, QStringLiteral("reportLabel"), QStringLiteral("書き出しの結果"));
    reportLabel->setWordWrap(true);
    reportLabel->setTextFormat(Qt::PlainText);
    reportLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    exportButton = new QPushButton(QStringLiteral("書き出す"), this);
    named(exportButton, QStringLiteral("exportButton"), QStringLiteral("書き出す"));
    exportButton->setDefault(true);
    closeButton = new QPushButton(QStringLiteral("閉じる"), this);
    named(closeButton, QStringLiteral("closeButton"), QStringLiteral("閉じる"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(rangeBox);
    layout->addWidget(formatBox);
    auto* destinationRow = new QHBoxLayout;
    destinationRow->addWidget(destinationLabel);
    destinationRow->addWidget(destinationBox, 1);
    destinationRow->addWidget(browseButton);
    layout->addLayout(destinationRow);
    auto* progressRow = new QHBoxLayout;
    progressRow->addWidget(progressBar, 1);
    progressRow->addWidget(cancelButton);
    layout->addLayout(progressRow);
    layout->addWidget(reportLabel, 1);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch(1);
    buttonRow->addWidget(exportButton);
    buttonRow->addWidget(closeButton);
    layout->addLayout(buttonRow);

    progressTimer_ = new QTimer(this);
    progressTimer_->setInterval(ProgressStepMs);
    connect(progressTimer_, &QTimer::timeout, this, [this] { showProgress(); });
    connect(browseButton, &QPushButton::clicked, this,
            [this] { platform::guard([this] { browseButton_Click(); }); });
    connect(exportButton, &QPushButton::clicked, this,
            [this] { platform::guard([this] { exportButton_Click(); }); });
    connect(cancelButton, &QPushButton::clicked, this,
            [this] { platform::guard([this] { cancelButton_Click(); }); });
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);
}

void frmExport::setDay(const QDate& day) {
    day_ = day;
    const QString text = platform::dates::format(day, QStringLiteral("yyyy/mm/dd"));
    if (fromBox->text().isEmpty())
        fromBox->setText(text);
    if (toBox->text().isEmpty())
        toBox->setText(text);
}

void frmExport::browseButton_Click() {
    platform::FileRequest request;
    request.title = QStringLiteral("書き出し先");
    request.fileName = destinationBox->text();
    request.folder = true;
    if (const auto chosen = platform::dialogs().openFile(request))
        destinationBox->setText(QDir::toNativeSeparators(*chosen));
}

std::optional<exporting::Range> frmExport::chosenRange() {
    using exporting::Range;
    if (rangeOption[ThisDay]->isChecked())
        return Range::day(day_);
    if (rangeOption[ThisMonth]->isChecked())
        return Range::month(day_);
    if (rangeOption[ThisYear]->isChecked())
        return Range::year(day_);
    if (rangeOption[Everything]->isChecked())
        return Range::all();
    const QDate today = platform::clock().today();
    std::array<QDate, 2> days;
    const std::array<QLineEdit*, 2> boxes{fromBox, toBox};
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        const auto read = platform::dates::parseLenient(boxes[i]->text(), today);
        if (!read) {
            say(QStringLiteral("正しい日付を入力してください。"), platform::Icon::Exclamation);
            boxes[i]->setFocus();
            boxes[i]->selectAll();
            return std::nullopt;
        }
        days[i] = *read;
    }
    return Range::period(days[0], days[1]);
}

bool frmExport::exportButton_Click() {
    if (running())
        return false;
    auto& m = app::modFunc();
    const auto range = chosenRange();
    if (!range || !m.JournalDb)
        return false;
    // What the editor shows is part of the diary: it goes into the journal first.
    if (frmMirel* editor = windows::findEditorByTitle(); editor != nullptr && !editor->devProc())
        return false;
    exporting::Request request;
    request.journalPath = m.JournalDb->path();
    request.pictureFolder = m.gPath;
    request.destination = destinationBox->text().trimmed();
    request.range = *range;
    request.format =
        markdownOption->isChecked() ? exporting::Format::Markdown : exporting::Format::Html;
    try {
        if (exporting::entriesIn(request.journalPath, request.range) == 0) {
            say(QStringLiteral("書き出す日記がありません。"), platform::Icon::Exclamation);
            return false;
        }
    } catch (const platform::Error& e) {
        say(e.message(), platform::Icon::Critical);
        return false;
    }
    const QString target =
        QDir(request.destination)
            .absoluteFilePath(exporting::folderName(request.journalPath, request.range));
    if (exporting::existingFolder(target) == exporting::Existing::Other) {
        if (platform::dialogs().message(
                QDir::toNativeSeparators(target) +
                    QStringLiteral("\nは既にあります。このフォルダを置き換えますか？"),
                platform::Buttons::YesNo, platform::Icon::Exclamation,
                platform::programTitle()) != platform::Answer::Yes)
            return false;
        request.replaceOther = true;
    }

    reportLabel->clear();
    exportButton->setEnabled(false);
    cancel_ = false;
    done_ = 0;
    total_ = 0;
    started_->start();
    progressTimer_->start();
    worker_ = std::jthread([this, request] {
        Outcome outcome;
        try {
            outcome.report = exporting::exportJournal(request, [this](qint64 done, qint64 total) {
                done_ = done;
                total_ = total;
                return !cancel_;
            });
        } catch (const platform::Error& e) {
            outcome.error = e;
        } catch (const std::exception& e) {
            outcome.error =
                platform::Error(platform::errnum::Internal, QString::fromUtf8(e.what()));
        }
        QMetaObject::invokeMethod(
            this, [this, outcome] { platform::guard([&] { finished(outcome); }); },
            Qt::QueuedConnection);
    });
    return true;
}

void frmExport::showProgress() {
    if (started_->elapsed() < ProgressAfterMs)
        return;
    progressBar->setMaximum(int(std::max<qint64>(total_, 1)));
    progressBar->setValue(int(done_));
    progressBar->show();
    cancelButton->show();
}

void frmExport::cancelButton_Click() {
    cancel_ = true;
}

void frmExport::stop() {
    cancel_ = true;
    if (worker_.joinable())
        worker_.join();
}

void frmExport::finished(const Outcome& outcome) {
    stop();
    progressTimer_->stop();
    progressBar->hide();
    cancelButton->hide();
    exportButton->setEnabled(true);
    if (outcome.error) {
        say(outcome.error->message(), platform::Icon::Critical);
        return;
    }
    if (!outcome.report) {
        reportLabel->setText(QStringLiteral("書き出しを中止しました。"));
        return;
    }
    const exporting::Report& report = *outcome.report;
    QString text = QStringLiteral("書き出しました。\n") + QDir::toNativeSeparators(report.folder) +
                   QStringLiteral("\n日記 %1日、絵 %2枚").arg(report.days).arg(report.pictures);
    if (!report.missingPictures.isEmpty())
        text += QStringLiteral("\n見つからないか読めない絵 %1枚:\n")
                    .arg(report.missingPictures.size()) +
                report.missingPictures.join(QLatin1Char('\n'));
    reportLabel->setText(text);
}

void frmExport::closeEvent(QCloseEvent* event) {
    stop();
    QWidget::closeEvent(event);
}
