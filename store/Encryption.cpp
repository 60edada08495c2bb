#include "store/Encryption.h"

#include "platform/CipherVfs.h"
#include "platform/DurableFiles.h"
#include "platform/Error.h"
#include "store/Journal.h"

#include <QFile>
#include <QFileInfo>

namespace store {

namespace {

using platform::db::Database;
using platform::db::Workspace;

constexpr int CopyFailed = 3049; // the copy could not be made or checked

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

// Every row of Mirel in key order, a few hundred at a time, the same in both files.
bool sameRows(Database& journal, Database& copy) {
    const QString page = QStringLiteral(
        "select cast(Reg_dat as text) as k, * from Mirel where Reg_dat > ? order by Reg_dat "
        "limit 200");
    QString after;
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
    }
}

// Writes the copy with makeCopy, checks it through the new workspace and puts it in the
// journal's place; the journal is then open through that workspace.
void replaceWithCopy(std::unique_ptr<Database>& db, std::unique_ptr<Workspace>& workspace,
                     const QString& path, std::unique_ptr<Workspace> next,
                     const std::function<void(Database&, const QString&)>& makeCopy) {
    const QString copyPath = copyBeside(path, "converting");
    removeCopy(copyPath); // a copy left by a run that was cut off
    bool replaced = false;
    try {
        makeCopy(*db, copyPath);
        {
            auto copy = next->openDatabase(copyPath);
            if (!sameRows(*db, *copy))
                throw platform::Error(CopyFailed,
                                      QStringLiteral("コピーを確かめられませんでした。"));
        }
        db.reset();
        platform::renameDurably(copyPath, path, CopyFailed);
        replaced = true;
        workspace = std::move(next);
        db = openJournal(*workspace, path);
    } catch (const platform::Error& e) {
        if (replaced)
            throw; // the journal is the checked copy; only opening it failed
        removeCopy(copyPath);
        if (!db)
            db = openJournal(*workspace, path);
        throw platform::Error(e.number(),
                              e.description() + QStringLiteral("日記のファイルは元のままです。"));
    }
}

} // namespace

void encryptJournal(std::unique_ptr<Database>& db, std::unique_ptr<Workspace>& workspace,
                    const QString& path, const QString& passphrase,
                    const platform::cipher::KdfCost& cost,
                    const std::function<void(const platform::cipher::FileId&,
                                             const platform::cipher::Key&)>& storeKey) {
    platform::cipher::Created made = platform::cipher::createHeader(passphrase, 4096, cost);
    if (storeKey) {
        const auto keyringKey = platform::cipher::Key::random();
        made.header = platform::cipher::addKeyWrapping(made.header, made.dataKey, keyringKey);
        storeKey(made.fileId, keyringKey);
    }
    auto layer =
        std::make_shared<platform::cipher::CipherVfs>(std::move(made.dataKey), made.header);
    replaceWithCopy(
        db, workspace, path, std::make_unique<Workspace>(layer),
        [layer](Database& journal, const QString& copy) { journal.copyInto(copy, layer.get()); });
}

void decryptJournal(std::unique_ptr<Database>& db, std::unique_ptr<Workspace>& workspace,
                    const QString& path) {
    replaceWithCopy(
        db, workspace, path, std::make_unique<Workspace>(),
        [](Database& journal, const QString& copy) { journal.copyInto(copy, nullptr); });
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
