#include "State/LibraryTree.h"
#include "TestSupport/Records.h"

#include <QtTest>

using namespace mivo;
using test::folderLibrary;
using test::idSet;

namespace {

// Broken folder data: a folder inside itself, a loop of two folders under a
// root, and an id used twice.
QList<PlaylistDTO> brokenLibrary()
{
    using enum PlaylistSourceId;
    return {
        test::playlist("root", apple, "Root", true),
        test::playlist("a", apple, "Loop A", true, "root"),
        test::playlist("b", apple, "Loop B", true, "a"),
        test::playlist("a", apple, "Loop A again", true, "b"), // repeats "a" inside its own subtree
        test::playlist("leaf", apple, "Leaf", false, "b"),
        test::playlist("self", apple, "Self", true, "self"),
        test::playlist("leaf", apple, "Leaf twice", false, "root"),
    };
}

QString rowsText(const LibraryTree& tree, const QList<LibraryTree::Row>& rows)
{
    QStringList parts;
    for (const LibraryTree::Row& row : rows)
        parts.append(QString(row.depth * 2, u' ') + tree.playlists()[row.index].id);
    return parts.join(u'|');
}

} // namespace

class TestLibraryTree : public QObject {
    Q_OBJECT

private slots:
    void filterParsing_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("scope"); // -1 all sources
        QTest::addColumn<QString>("query");

        QTest::newRow("plain") << " Rock\t" << -1 << "Rock";
        QTest::newRow("prefix alone") << "spotify:" << int(PlaylistSourceId::spotify) << "";
        QTest::newRow("capitals and blanks") << "APPLE:  jazz  " << int(PlaylistSourceId::apple) << "jazz";
        QTest::newRow("apple then spotify prefix") << "apple:spotify:mix" << int(PlaylistSourceId::apple) << "mix";
        QTest::newRow("line breaks are kept") << "apple: a\n" << int(PlaylistSourceId::apple) << "a\n";
        QTest::newRow("prefix not at the start") << "my apple: mix" << -1 << "my apple: mix";
    }
    void filterParsing()
    {
        QFETCH(QString, text);
        QFETCH(int, scope);
        QFETCH(QString, query);
        const LibraryTree::Filter filter = LibraryTree::Filter::parse(text);
        QCOMPARE(filter.scope ? int(*filter.scope) : -1, scope);
        QCOMPARE(filter.query, query);
    }

    void visibleRows_data()
    {
        QTest::addColumn<int>("source");
        QTest::addColumn<QString>("query");
        QTest::addColumn<QStringList>("expanded");
        QTest::addColumn<QString>("rows");

        const int apple = int(PlaylistSourceId::apple);
        const int spotify = int(PlaylistSourceId::spotify);
        QTest::newRow("closed folders hide their children") << apple << "" << QStringList {} << "sets|jazz|empty";
        QTest::newRow("an open folder shows its children one level deeper")
            << apple << "" << QStringList { "sets" } << "sets|  warm|  peak|  old|jazz|empty";
        QTest::newRow("a child stays hidden under a closed parent")
            << apple << "" << QStringList { "old" } << "sets|jazz|empty";
        QTest::newRow("two levels open") << apple << "" << QStringList { "sets", "old" }
                                         << "sets|  warm|  peak|  old|    jazznight|jazz|empty";
        QTest::newRow("query: matches with their folders, all open")
            << apple << "JAZZ" << QStringList {} << "sets|  old|    jazznight|jazz";
        QTest::newRow("query: a folder matching by name shows without its non-matching children")
            << spotify << "gym" << QStringList {} << "gym";
        QTest::newRow("query: nothing matches") << spotify << "zzz" << QStringList { "gym" } << "";
        QTest::newRow("one source only") << spotify << "" << QStringList { "gym", "sets" } << "rock|gym|  tempo";
    }
    void visibleRows()
    {
        QFETCH(int, source);
        QFETCH(QString, query);
        QFETCH(QStringList, expanded);
        QFETCH(QString, rows);
        const LibraryTree tree(folderLibrary());
        QCOMPARE(rowsText(tree, tree.visibleRows(PlaylistSourceId(source), query, idSet(expanded))), rows);
    }

    void folderSelection_data()
    {
        QTest::addColumn<QStringList>("selection");
        QTest::addColumn<QStringList>("folders");
        QTest::addColumn<QStringList>("expanded");

        QTest::newRow("a folder gives every playlist inside it, at any depth")
            << QStringList { "sets" } << QStringList { "sets" } << QStringList { "warm", "peak", "jazznight" };
        QTest::newRow("other selected playlists stay")
            << QStringList { "rock", "gym" } << QStringList { "gym" } << QStringList { "rock", "tempo" };
        QTest::newRow("an empty folder gives nothing") << QStringList { "empty" } << QStringList { "empty" }
                                                        << QStringList {};
        QTest::newRow("ids of nothing are kept, playlists alone change nothing")
            << QStringList { "gone", "jazz" } << QStringList {} << QStringList { "gone", "jazz" };
    }
    void folderSelection()
    {
        QFETCH(QStringList, selection);
        QFETCH(QStringList, folders);
        QFETCH(QStringList, expanded);
        const LibraryTree tree(folderLibrary());
        QCOMPARE(tree.selectedFolders(idSet(selection)), idSet(folders));
        QCOMPARE(tree.expandFolders(idSet(selection)), idSet(expanded));
    }

    void leavesInLibraryOrder()
    {
        const LibraryTree tree(folderLibrary());
        QCOMPARE(tree.descendantLeafIds("sets"), (QStringList { "warm", "peak", "jazznight" }));
        QVERIFY(tree.descendantLeafIds("jazz").isEmpty());
    }

    void sectionsAndCounts()
    {
        const LibraryTree tree(folderLibrary());
        QCOMPARE(tree.sources(), (QList { PlaylistSourceId::apple, PlaylistSourceId::spotify }));
        QCOMPARE(tree.playlistCount(PlaylistSourceId::apple), 4); // folders are not counted
        QCOMPARE(tree.playlistCount(PlaylistSourceId::spotify), 2);
        QVERIFY(LibraryTree(QList { test::playlist("x", PlaylistSourceId::spotify, "X", false, "nowhere") })
                    .sources()
                    .contains(PlaylistSourceId::spotify));
        QVERIFY(!LibraryTree(QList { test::playlist("x", PlaylistSourceId::spotify, "X", false, "nowhere") }).hasRoots());
    }

    void brokenFoldersEndAndListEachIdOnce()
    {
        const LibraryTree tree(brokenLibrary());
        const QSet<QString> everything { "root", "a", "b", "self" };
        QCOMPARE(rowsText(tree, tree.visibleRows(PlaylistSourceId::apple, "", everything)),
            "root|  a|    b|      leaf");
        QCOMPARE(rowsText(tree, tree.visibleRows(PlaylistSourceId::apple, "loop", {})), "root|  a|    b");
        QCOMPARE(tree.descendantLeafIds("root"), QStringList { "leaf" });
        QCOMPARE(tree.descendantLeafIds("self"), QStringList {});
        QCOMPARE(tree.expandFolders({ "root", "self" }), QSet<QString> { "leaf" });
        QCOMPARE(tree.playlist("a")->name, QStringLiteral("Loop A"));
    }
};

QTEST_GUILESS_MAIN(TestLibraryTree)
#include "tst_librarytree.moc"
