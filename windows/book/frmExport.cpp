// The export window: its controls, the choices read and checked, the export on its own thread,
// its progress and its report.
#include "windows/book/frmExport.h"

#include "app/modFunc.h"
#include "platform/Dialogs.h"
#include "platform/Error.h"
#include "platform/Services.h"
#include "platform/System.h"
#include "store/JournalLock.h"
#include "store/export/ExportFolder.h"
#include "windows/Controls.h"
#include "windows/EditorHandover.h"
#include "windows/LongTask.h"
#include "windows/book/RangeBox.h"
#include "windows/editor/frmMirel.h"

#include <QCloseEvent>
#include <QDir>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QVBoxLayout>

using windows::named;
using windows::say;

namespace exporting = store::exporting;

frmExport::frmExport(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("frmExport"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("日記の書き出し"));
    setFont(platform::namedFont(QStringLiteral("ＭＳ Ｐゴシック"), 9, false));
    makeControls();
    setDay(app::modFunc().WorkDate);
    resize(460, 340);
}

frmExport::~frmExport() {
    task_->stop();
}

void frmExport::makeControls() {
    range = new RangeBox(true, this);

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
    cancelButton = new QPushButton(QStringLiteral("中止"), this);
    named(cancelButton, QStringLiteral("cancelButton"), QStringLiteral("書き出しを中止"));
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
    layout->addWidget(range);
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
    // An encrypted diary leaves the lock behind here: the user is told before writing.
    if (store::journalEncrypted()) {
        const QString text = QStringLiteral("書き出したファイルは暗号化されません。");
        auto* plainNote = new QLabel(text, this);
        named(plainNote, QStringLiteral("plainNote"), text);
        layout->addWidget(plainNote);
    }
    layout->addWidget(reportLabel, 1);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch(1);
    buttonRow->addWidget(exportButton);
    buttonRow->addWidget(closeButton);
    layout->addLayout(buttonRow);

    task_ = new LongTask(progressBar, cancelButton, this);
    connect(browseButton, &QPushButton::clicked, this,
            [this] { platform::guard([this] { browseButton_Click(); }); });
    connect(exportButton, &QPushButton::clicked, this,
            [this] { platform::guard([this] { exportButton_Click(); }); });
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);
}

void frmExport::setDay(const QDate& day) {
    range->setDay(day);
}

bool frmExport::running() const {
    return task_->running();
}

void frmExport::browseButton_Click() {
    platform::FileRequest request;
    request.title = QStringLiteral("書き出し先");
    request.fileName = destinationBox->text();
    request.folder = true;
    if (const auto chosen = platform::dialogs().openFile(request))
        destinationBox->setText(QDir::toNativeSeparators(*chosen));
}

bool frmExport::exportButton_Click() {
    if (running())
        return false;
    auto& m = app::modFunc();
    const auto chosen = range->chosen();
    if (!chosen || !m.JournalDb)
        return false;
    // What the editor shows is part of the diary: it goes into the journal first.
    if (frmMirel* editor = windows::findEditorByTitle(); editor != nullptr && !editor->devProc())
        return false;
    exporting::Request request;
    request.journal = exporting::openJournalFile();
    request.pictureFolder = m.gPath;
    request.destination = destinationBox->text().trimmed();
    request.range = *chosen;
    request.format =
        markdownOption->isChecked() ? exporting::Format::Markdown : exporting::Format::Html;
    try {
        if (exporting::entriesIn(request.journal, request.range) == 0) {
            say(QStringLiteral("書き出す日記がありません。"), platform::Icon::Exclamation);
            return false;
        }
    } catch (const platform::Error& e) {
        say(e.message(), platform::Icon::Critical);
        return false;
    }
    const QString target =
        QDir(request.destination)
            .absoluteFilePath(exporting::folderName(request.journal.path, request.range));
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
    auto report = std::make_shared<std::optional<exporting::Report>>();
    task_->start(
        [request, report](const LongTask::Progress& progress) {
            *report = exporting::exportJournal(request, progress);
        },
        [this, report](const std::optional<platform::Error>& error) {
            exportButton->setEnabled(true);
            if (error)
                say(error->message(), platform::Icon::Critical);
            else
                finished(*report);
        });
    return true;
}

void frmExport::finished(const std::optional<exporting::Report>& outcome) {
    if (!outcome) {
        reportLabel->setText(QStringLiteral("書き出しを中止しました。"));
        return;
    }
    const exporting::Report& report = *outcome;
    QString text = QStringLiteral("書き出しました。\n") + QDir::toNativeSeparators(report.folder) +
                   QStringLiteral("\n日記 %1日、絵 %2枚").arg(report.days).arg(report.pictures);
    if (!report.missingPictures.isEmpty())
        text += QStringLiteral("\n見つからないか読めない絵 %1枚:\n")
                    .arg(report.missingPictures.size()) +
                report.missingPictures.join(QLatin1Char('\n'));
    reportLabel->setText(text);
}

void frmExport::closeEvent(QCloseEvent* event) {
    task_->stop();
    QWidget::closeEvent(event);
}
