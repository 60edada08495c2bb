// The diary is its user's alone: the modes of the files and folders the program makes and replaces.
#include "platform/PrivateFiles.h"
#include "support/Testing.h"

#include <sys/stat.h>

namespace {

mode_t modeOf(const QString& path) {
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : 0;
}

} // namespace

class PrivacyTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void everythingMadeIsPrivateWhateverTheUmask() {
        const mode_t before = ::umask(022);
        const auto restore = qScopeGuard([before] { ::umask(before); });
        for (const mode_t mask : {mode_t(022), mode_t(077)}) {
            ::umask(mask);
            platform::keepFilesPrivate();
            testing::TestEnv env;
            // No runtime folder: the lock goes to the cache folder, which the walk below sees.
            qunsetenv("XDG_RUNTIME_DIR");
            testing::writeFile(env.root() + u"/bin/kolourpaint"_s,
                               u"#!/bin/sh\numask > '%1/umask'\n"_s.arg(env.root()).toUtf8(), true);
            qputenv("PATH", QFile::encodeName(env.root() + u"/bin"_s));
            // Folders an older version left open.
            const QString old = env.dataDir() + u"/Backup/x"_s;
            QVERIFY(QDir().mkpath(old));
            for (const QString& folder : {env.dataDir(), old})
                QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0755) == 0);

            env.dialogs.answerMessage(platform::Answer::Ok); // a new journal
            app::Main();
            auto& m = app::modFunc();
            QVERIFY(m.JournalDb && platform::holdsInstanceLock());
            QCoreApplication::processEvents(); // the start-up backup begins
            QVERIFY(m.Backup);
            m.Backup->wait();
            // A blank drawing, drawn in the paint program under the user's own mask, and saved.
            frmMirel& editor = windows::showEditor();
            editor.Picture1_DblClick();
            QCOMPARE(testing::readFile(env.root() + u"/umask"_s),
                     u"%1\n"_s.arg(mask, 4, 8, QLatin1Char('0')).toLatin1());
            QVERIFY(editor.savTxt_Click());
            testing::deleteAllWindows();
            QVERIFY(app::regProc(app::RegSave));
            QSignalSpy built(&store::search::service(), &store::search::SearchService::built);
            store::search::service().prepare();
            QVERIFY(built.wait(20000));

            // The user shares the journal with the group: compaction and restore keep that.
            const QString journal = m.mdbPath;
            QVERIFY(::chmod(QFile::encodeName(journal).constData(), 0640) == 0);
            store::compactJournal(m.JournalDb, *m.JournalWs, journal,
                                  store::compactionCopyPath(journal, env.dataDir()));
            QCOMPARE(modeOf(journal), mode_t(0640));
            store::backup::restoreJournal(store::backup::listBackups(journal).back());
            QCOMPARE(modeOf(journal), mode_t(0640));

            QString found;
            QStringList wrong;
            for (const QString& top : {u"/data"_s, u"/cache"_s, u"/config"_s}) {
                QDirIterator it(env.root() + top,
                                QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                                QDirIterator::Subdirectories);
                while (it.hasNext()) {
                    const QString path = it.next();
                    const mode_t mode = modeOf(path);
                    found += path + u'\n';
                    if (mode != (it.fileInfo().isDir() ? 0700 : path == journal ? 0640 : 0600))
                        wrong << u"%1 %2"_s.arg(mode, 0, 8).arg(path);
                }
            }
            QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(u'\n')));
            // Every kind of file was there to be checked, the old folder too.
            for (const char* end : {".ini", ".lock", ".bmp", ".mdb", ".pictures", ".sqlite", "/x"})
                QVERIFY2(found.contains(QLatin1String(end) + u'\n'), end);

            platform::releaseInstanceLock();
            ORVANE_VERIFY_ENV(env);
        }
    }
};

ORVANE_TEST_MAIN(PrivacyTest)
#include "tst_privacy.moc"
