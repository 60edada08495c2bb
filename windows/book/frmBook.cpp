// The print window: its controls, the preview kept up with the choices, and the pages printed or
// saved on a thread of their own.
#include "windows/book/frmBook.h"

#include "app/modFunc.h"
#include "platform/Dialogs.h"
#include "platform/Error.h"
#include "platform/PagePrinter.h"
#include "platform/Services.h"
#include "platform/System.h"
#include "store/export/RangeReader.h"
#include "windows/Controls.h"
#include "windows/EditorHandover.h"
#include "windows/LongTask.h"
#include "windows/book/BookDocument.h"
#include "windows/book/BookPdf.h"
#include "windows/book/BookPreviewer.h"
#include "windows/book/BookSettings.h"
#include "windows/book/RangeBox.h"
#include "windows/editor/frmMirel.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QStandardPaths>
#include <QVBoxLayout>

using namespace windows::book;
namespace exporting = store::exporting;

using windows::named;
using windows::say;

namespace {

const std::array<int, 5> Zooms{50, 75, 100, 150, 200};

} // namespace

frmBook::frmBook(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("frmBook"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("絵日記の印刷"));
    setFont(platform::namedFont(QStringLiteral("ＭＳ Ｐゴシック"), 9, false));
    previewer_ = new BookPreviewer(this);
    makeControls();
    const BookPageStyle stored = loadBookStyle();
    (stored.direction == Direction::Vertical ? verticalOption : horizontalOption)->setChecked(true);
    paperOption[std::size_t(stored.paper)]->setChecked(true);
    range->setDay(app::modFunc().WorkDate);
    resize(820, 700);
}

frmBook::~frmBook() {
    task_->stop();
}

void frmBook::makeControls() {
    range = new RangeBox(false, this);

    auto* directionBox = new QGroupBox(QStringLiteral("書き方"), this);
    auto* directionLayout = new QHBoxLayout(directionBox);
    horizontalOption = new QRadioButton(QStringLiteral("横書き"), directionBox);
    named(horizontalOption, QStringLiteral("horizontalOption"), QStringLiteral("横書き"));
    verticalOption = new QRadioButton(QStringLiteral("縦書き"), directionBox);
    named(verticalOption, QStringLiteral("verticalOption"), QStringLiteral("縦書き"));
    directionLayout->addWidget(horizontalOption);
    directionLayout->addWidget(verticalOption);

    auto* paperBox = new QGroupBox(QStringLiteral("用紙"), this);
    auto* paperLayout = new QHBoxLayout(paperBox);
    auto* paperGroup = new QButtonGroup(this);
    const std::array<QString, 3> papers{QStringLiteral("A4"), QStringLiteral("B5"),
                                        QStringLiteral("A5")};
    for (std::size_t i = 0; i < papers.size(); ++i) {
        paperOption[i] = new QRadioButton(papers[i], paperBox);
        named(paperOption[i], QStringLiteral("paperOption_%1").arg(i), papers[i]);
        paperGroup->addButton(paperOption[i]);
        paperLayout->addWidget(paperOption[i]);
    }

    pageImage = new QLabel;
    named(pageImage, QStringLiteral("pageImage"), QStringLiteral("ページのプレビュー"));
    pageImage->setAlignment(Qt::AlignCenter);
    previewArea = new QScrollArea(this);
    named(previewArea, QStringLiteral("previewArea"), QStringLiteral("プレビュー"));
    previewArea->setWidget(pageImage);
    previewArea->setWidgetResizable(true);
    previewArea->setBackgroundRole(QPalette::Dark);

    auto* pageLabel = new QLabel(QStringLiteral("ページ"), this);
    pageBox = new QSpinBox(this);
    named(pageBox, QStringLiteral("pageBox"), QStringLiteral("ページ"));
    pageBox->setRange(1, 1);
    pageLabel->setBuddy(pageBox);
    pageCountLabel = new QLabel(this);
    named(pageCountLabel, QStringLiteral("pageCountLabel"), QStringLiteral("ページ数"));
    auto* zoomLabel = new QLabel(QStringLiteral("倍率"), this);
    zoomBox = new QComboBox(this);
    named(zoomBox, QStringLiteral("zoomBox"), QStringLiteral("倍率"));
    for (const int zoom : Zooms)
        zoomBox->addItem(QStringLiteral("%1%").arg(zoom), zoom);
    zoomLabel->setBuddy(zoomBox);

    progressBar = new QProgressBar(this);
    named(progressBar, QStringLiteral("progressBar"), QStringLiteral("印刷の進み具合"));
    cancelButton = new QPushButton(QStringLiteral("中止"), this);
    named(cancelButton, QStringLiteral("cancelButton"), QStringLiteral("中止"));
    printButton = new QPushButton(QStringLiteral("印刷..."), this);
    named(printButton, QStringLiteral("printButton"), QStringLiteral("印刷"));
    printButton->setDefault(true);
    pdfButton = new QPushButton(QStringLiteral("PDFに保存..."), this);
    named(pdfButton, QStringLiteral("pdfButton"), QStringLiteral("PDFに保存"));
    closeButton = new QPushButton(QStringLiteral("閉じる"), this);
    named(closeButton, QStringLiteral("closeButton"), QStringLiteral("閉じる"));
    task_ = new LongTask(progressBar, cancelButton, this);

    auto* choices = new QVBoxLayout;
    choices->addWidget(range);
    choices->addWidget(directionBox);
    choices->addWidget(paperBox);
    choices->addStretch(1);
    choices->addWidget(progressBar);
    choices->addWidget(cancelButton);
    choices->addWidget(printButton);
    choices->addWidget(pdfButton);
    choices->addWidget(closeButton);
    auto* pageRow = new QHBoxLayout;
    pageRow->addWidget(pageLabel);
    pageRow->addWidget(pageBox);
    pageRow->addWidget(pageCountLabel);
    pageRow->addStretch(1);
    pageRow->addWidget(zoomLabel);
    pageRow->addWidget(zoomBox);
    auto* preview = new QVBoxLayout;
    preview->addWidget(previewArea, 1);
    preview->addLayout(pageRow);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(choices);
    layout->addLayout(preview, 1);

    connect(range, &RangeBox::changed, this, [this] { choiceChanged(); });
    for (QRadioButton* option :
         {horizontalOption, verticalOption, paperOption[0], paperOption[1], paperOption[2]})
        connect(option, &QRadioButton::toggled, this, [this](bool on) {
            if (on)
                choiceChanged();
        });
    connect(pageBox, &QSpinBox::valueChanged, this, [this] { askPage(); });
    connect(zoomBox, &QComboBox::currentIndexChanged, this, [this] { askPage(); });
    connect(previewer_, &BookPreviewer::counted, this, [this](int pages) {
        pageCountLabel->setText(QStringLiteral("%1 ページ").arg(pages));
        pageBox->setRange(1, std::max(1, pages));
        pageBox->setEnabled(pages > 1);
        if (pages == 0)
            pageImage->clear();
    });
    connect(previewer_, &BookPreviewer::pageReady, this, [this](int page, const QImage& image) {
        if (page != pageBox->value() - 1)
            return;
        QPixmap pixmap = QPixmap::fromImage(image);
        pixmap.setDevicePixelRatio(devicePixelRatioF());
        pageImage->setPixmap(pixmap);
    });
    connect(previewer_, &BookPreviewer::failed, this,
            [](const QString& message) { say(message, platform::Icon::Critical); });
    connect(printButton, &QPushButton::clicked, this,
            [this] { platform::guard([this] { printButton_Click(); }); });
    connect(pdfButton, &QPushButton::clicked, this,
            [this] { platform::guard([this] { pdfButton_Click(); }); });
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);
}

void frmBook::setDay(const QDate& day) {
    range->setDay(day);
    choiceChanged();
}

BookPageStyle frmBook::style() const {
    BookPageStyle style;
    style.direction = verticalOption->isChecked() ? Direction::Vertical : Direction::Horizontal;
    if (paperOption[1]->isChecked())
        style.paper = Paper::B5;
    else if (paperOption[2]->isChecked())
        style.paper = Paper::A5;
    return style;
}

bool frmBook::running() const {
    return task_->running();
}

double frmBook::previewDotsPerInch() const {
    // The page at its size on the screen, drawn at the screen's own pixels.
    return logicalDpiX() * zoomBox->currentData().toDouble() / 100.0 * devicePixelRatioF();
}

void frmBook::choiceChanged() {
    // Before the first day is known the window is still being built.
    if (!range->day().isValid() || paperOption[2] == nullptr)
        return;
    const BookPageStyle chosen = style();
    platform::guard([&] { saveBookStyle(chosen); });
    pageCountLabel->clear();
    pageImage->clear();
    {
        const QSignalBlocker quiet(pageBox);
        pageBox->setValue(1);
    }
    const auto& m = app::modFunc();
    std::optional<BookPreviewer::Choice> choice;
    if (const auto chosenRange = range->chosen(true); chosenRange && m.JournalDb)
        choice = BookPreviewer::Choice{exporting::openJournalFile(), m.gPath, *chosenRange, chosen};
    previewer_->choose(choice, previewDotsPerInch());
}

void frmBook::askPage() {
    previewer_->showPage(pageBox->value() - 1, previewDotsPerInch());
}

std::optional<exporting::Range> frmBook::printableRange() {
    const auto& m = app::modFunc();
    const auto chosen = range->chosen();
    if (!chosen || !m.JournalDb || running())
        return std::nullopt;
    // What the editor shows is part of the diary: it goes into the journal first.
    if (frmMirel* editor = windows::findEditorByTitle(); editor != nullptr && !editor->devProc())
        return std::nullopt;
    if (exporting::entriesIn(exporting::openJournalFile(), *chosen) == 0) {
        say(QStringLiteral("印刷する日記がありません。"), platform::Icon::Exclamation);
        return std::nullopt;
    }
    return chosen;
}

void frmBook::paintInBackground(const exporting::Range& chosen, Paint paint) {
    const auto journal = exporting::openJournalFile();
    printButton->setEnabled(false);
    pdfButton->setEnabled(false);
    task_->start(
        [journal, chosen, paint](const LongTask::Progress& progress) {
            const QList<BookDay> days = readBookDays(journal, chosen);
            paint(days, [&](int done) { return progress(done, days.size()); });
        },
        [this](const std::optional<platform::Error>& error) {
            printButton->setEnabled(true);
            pdfButton->setEnabled(true);
            if (error)
                say(error->message(), platform::Icon::Critical);
        });
}

bool frmBook::printButton_Click() {
    const auto chosen = printableRange();
    if (!chosen)
        return false;
    const BookPageStyle chosenStyle = style();
    std::shared_ptr<platform::PageJob> job =
        platform::dialogs().choosePrinter({QStringLiteral("絵日記"), pageSize(chosenStyle.paper)});
    if (!job)
        return false;
    const QString pictures = app::modFunc().gPath;
    paintInBackground(
        *chosen, [job, chosenStyle, pictures](const QList<BookDay>& days,
                                              const std::function<bool(int)>& progress) {
            return job->print([&](QPainter& painter, QPagedPaintDevice& device) {
                return paintBook(painter, device, days, chosenStyle, pictures, progress);
            });
        });
    return true;
}

bool frmBook::pdfButton_Click() {
    const auto chosen = printableRange();
    if (!chosen)
        return false;
    platform::FileRequest request;
    request.title = QStringLiteral("PDFに保存");
    request.fileName =
        QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
            .filePath(exporting::folderName(app::modFunc().JournalDb->path(), *chosen) +
                      QStringLiteral(".pdf"));
    request.filter = QStringLiteral("PDF (*.pdf)|*.pdf");
    request.mustExist = false;
    request.save = true;
    auto path = platform::dialogs().openFile(request);
    if (!path)
        return false;
    if (QFileInfo(*path).suffix().isEmpty())
        *path += QStringLiteral(".pdf");
    const BookPageStyle chosenStyle = style();
    const QString pictures = app::modFunc().gPath;
    paintInBackground(
        *chosen, [path = *path, chosenStyle, pictures](const QList<BookDay>& days,
                                                       const std::function<bool(int)>& progress) {
            return writeBookPdf(path, days, chosenStyle, pictures, progress);
        });
    return true;
}

void frmBook::closeEvent(QCloseEvent* event) {
    task_->stop();
    QWidget::closeEvent(event);
}
