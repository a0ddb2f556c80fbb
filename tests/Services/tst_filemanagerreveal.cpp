#include "Services/FileManagerReveal.h"

#include <QDir>
#include <QtTest>

using namespace mivo;

class TestFileManagerReveal : public QObject {
    Q_OBJECT

private slots:
    void revealsOrOpensTheFolderAround_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("fileManagerAccepts");
        QTest::addColumn<bool>("folderOpens");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QStringList>("opened");
        QTest::addColumn<bool>("result");

        const QString home = QDir::homePath();
        QTest::newRow("shown selected") << "/srv/music/Sets" << true << true
                                        << QStringList { "/srv/music/Sets" } << QStringList {} << true;
        QTest::newRow("tilde expanded") << "~/Music/Sets" << true << true
                                        << QStringList { home + "/Music/Sets" } << QStringList {} << true;
        QTest::newRow("no file manager: the folder around it opens")
            << "~/Music/Sets/" << false << true << QStringList { home + "/Music/Sets" }
            << QStringList { home + "/Music" } << true;
        QTest::newRow("nothing opens the folder either")
            << "/srv/music/Sets" << false << false << QStringList { "/srv/music/Sets" }
            << QStringList { "/srv/music" } << false;
        QTest::newRow("empty path shows nothing")
            << "" << true << true << QStringList {} << QStringList {} << false;
    }
    void revealsOrOpensTheFolderAround()
    {
        QFETCH(QString, path);
        QFETCH(bool, fileManagerAccepts);
        QFETCH(bool, folderOpens);
        QFETCH(QStringList, shown);
        QFETCH(QStringList, opened);
        QFETCH(bool, result);
        QStringList seenShown;
        QStringList seenOpened;
        FileManagerReveal reveal(FileManagerReveal::Desktop {
            [&seenShown, fileManagerAccepts](QList<QUrl> items) -> QCoro::Task<bool> {
                for (const QUrl& item : items)
                    seenShown.append(item.toLocalFile());
                co_return fileManagerAccepts;
            },
            [&seenOpened, folderOpens](QUrl folder) -> QCoro::Task<bool> {
                seenOpened.append(folder.toLocalFile());
                co_return folderOpens;
            } });

        QCOMPARE(QCoro::waitFor(reveal.reveal(path)), result);
        QCOMPARE(seenShown, shown);
        QCOMPARE(seenOpened, opened);
    }
};

QTEST_GUILESS_MAIN(TestFileManagerReveal)
#include "tst_filemanagerreveal.moc"
