#include "store/Encryption.h"

#include "platform/CipherVfs.h"
#include "platform/DurableFiles.h"
#include "platform/Error.h"
#include "store/Journal.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace store {

namespace {

using platform::db::Database;
using platform::db::Workspace;

constexpr int CopyFailed = 3049; // the copy could not be made or checked
// The copy and the check each make half of the progress told.
constexpr qint64 Half = 1000;

// The copy of the file at path that a conversion (kind "converting") or a new header ("rekeying")
// is written to before it replaces the file.
QString copyBeside(const QString& path, const char* kind) {
    const QFileInfo info(path);
    return info.absolutePath() + QStringLiteral("/.") + info.fileName() + QLatin1Char('.') +
           QLatin1String(kind);
}

// Removes a copy with the rollback journal that making it may leave: a plain one holds pages of
// the journal as they were.
void removeCopy(const QString& copyPath) {
    QFile::remove(copyPath);
    QFile::remove(copyPath + QStringLiteral("-journal"));
}

// Every row of Mirel in key order, a few hundred at a time, the same in both files. checked is
// told the rows compared so far after each few hundred and stops the check by answering false.
bool sameRows(Database& journal, Database& copy, const std::function<bool(qint64)>& checked) {
    const QString page = QStringLiteral(
        "select cast(Reg_dat as text) as k, * from Mirel where Reg_dat > ? order by Reg_dat "
        "limit 200");
    QString after;
    qint64 rows = 0;
    while (true) {
        auto a = journal.openRecordset(page, {after});
        auto b = copy.openRecordset(page, {after});
        if (a.rowCount() != b.rowCount())
            return false;
        if (a.rowCount() == 0)
            return true;
        for (; !a.eof(); a.moveNext(), b.moveNext()) {
            for (const char* column : {"k", "Mirel_txt", "Memo_txt", "Pic_txt", "Error_kbn",
                                       "Treat_dat", "Treat_tim", "Terminal_nam"}) {
                const QString name = QString::fromLatin1(column);
                if (a.field(name) != b.field(name))
                    return false;
            }
            after = a.field(QStringLiteral("k")).toString();
        }
        rows += qint64(a.rowCount());
        if (!checked(rows))
            return false;
    }
}

QString stillAsItWas(const platform::Error& e) {
    return e.description() + QStringLiteral("日記のファイルは元のままです。");
}

} // namespace

JournalConversion::JournalConversion(QString path,
                                     std::shared_ptr<const platform::cipher::CipherVfs> current)
    : path_(std::move(path)), copyPath_(copyBeside(path_, "converting")),
      current_(std::move(current)) {}

JournalConversion::~JournalConversion() {
    if (!placed_)
        removeCopy(copyPath_);
}

bool JournalConversion::writeAndCheck(std::shared_ptr<const platform::cipher::CipherVfs> next,
                                      const Progress& progress) {
    removeCopy(copyPath_); // a copy left by a run that was cut off
    bool stopped = false;
    const auto tell = [&](qint64 done) {
        stopped = stopped || (progress && !progress(done, 2 * Half));
        return !stopped;
    };
    try {
        // A connection of this thread's own: the journal's may be in use on another.
        auto journal = Workspace(current_).openDatabase(path_);
        const qint64 size = std::max<qint64>(QFileInfo(path_).size(), 1);
        journal->copyInto(copyPath_, next.get(), [&] {
            return tell(Half * std::min(QFileInfo(copyPath_).size(), size) / size);
        });
        if (!tell(Half))
            return false;
        const qint64 rows = std::max<qint64>(
            journal->openRecordset(QStringLiteral("select count(*) as n from Mirel"))
                .field(QStringLiteral("n"))
                .toLongLong(),
            1);
        auto workspace = std::make_unique<Workspace>(next);
        const bool same =
            sameRows(*journal, *workspace->openDatabase(copyPath_),
                     [&](qint64 checked) { return tell(Half + Half * checked / rows); });
        if (stopped) {
            removeCopy(copyPath_);
            return false;
        }
        if (!same)
            throw platform::Error(CopyFailed, QStringLiteral("コピーを確かめられませんでした。"));
        next_ = std::move(workspace);
        return true;
    } catch (const platform::Error& e) {
        removeCopy(copyPath_);
        if (stopped)
            return false;
        throw platform::Error(e.number(), stillAsItWas(e));
    }
}

bool JournalConversion::encrypt(const QString& passphrase, const platform::cipher::KdfCost& cost,
                                const StoreKey& storeKey, const Progress& progress) {
    platform::cipher::Created made = platform::cipher::createHeader(passphrase, 4096, cost);
    if (storeKey) {
        const auto keyringKey = platform::cipher::Key::random();
        made.header = platform::cipher::addKeyWrapping(made.header, made.dataKey, keyringKey);
        storeKey(made.fileId, keyringKey);
    }
    return writeAndCheck(
        std::make_shared<platform::cipher::CipherVfs>(std::move(made.dataKey), made.header),
        progress);
}

bool JournalConversion::decrypt(const Progress& progress) {
    return writeAndCheck(nullptr, progress);
}

void JournalConversion::replace(std::unique_ptr<Database>& db,
                                std::unique_ptr<Workspace>& workspace) {
    if (!next_)
        throw platform::Error(CopyFailed, QStringLiteral("コピーがありません。"));
    try {
        db.reset();
        platform::renameDurably(copyPath_, path_, CopyFailed);
    } catch (const platform::Error& e) {
        removeCopy(copyPath_);
        db = openJournal(*workspace, path_);
        throw platform::Error(e.number(), stillAsItWas(e));
    }
    placed_ = true;
    // The journal is the checked copy now; only opening it may still fail.
    workspace = std::move(next_);
    db = openJournal(*workspace, path_);
}

bool encryptJournal(std::unique_ptr<Database>& db, std::unique_ptr<Workspace>& workspace,
                    const QString& path, const QString& passphrase,
                    const platform::cipher::KdfCost& cost, const StoreKey& storeKey,
                    const Progress& progress) {
    JournalConversion conversion(path, workspace->layer());
    if (!conversion.encrypt(passphrase, cost, storeKey, progress))
        return false;
    conversion.replace(db, workspace);
    return true;
}

bool decryptJournal(std::unique_ptr<Database>& db, std::unique_ptr<Workspace>& workspace,
                    const QString& path, const Progress& progress) {
    JournalConversion conversion(path, workspace->layer());
    if (!conversion.decrypt(progress))
        return false;
    conversion.replace(db, workspace);
    return true;
}

void replaceHeader(const QString& path, const QByteArray& header) {
    const QString copyPath = copyBeside(path, "rekeying");
    QFile::remove(copyPath);
    try {
        platform::copyDurably(path, copyPath, CopyFailed, header);
        platform::renameDurably(copyPath, path, CopyFailed);
    } catch (...) {
        QFile::remove(copyPath);
        throw;
    }
}

void removeInterruptedCopies(const QString& path) {
    for (const char* kind : {"converting", "rekeying"})
        removeCopy(copyBeside(path, kind));
}

} // namespace store
