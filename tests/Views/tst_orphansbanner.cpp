#include "App/AppModel.h"
#include "Styling/GlassEnvironment.h"
#include "TestSupport/ScriptedHelperClient.h"
#include "Views/Banners/OrphanFileDelegate.h"
#include "Views/Banners/OrphansBanner.h"
#include "Views/DisclosurePanel.h"
#include "Views/FittedListView.h"

#include <QFileInfo>
#include <QPushButton>
#include <QVBoxLayout>
#include <QtTest>

using namespace mivo;
using Outcome = test::ScriptedHelperClient::Outcome;

namespace {

QStringList paths(int count)
{
    QStringList result;
    for (int i = 1; i <= count; ++i)
        result.append(QStringLiteral("/music/out/Track %1.flac").arg(i));
    return result;
}

QCoro::Task<bool> answer(bool shown)
{
    co_return shown;
}

struct Fixture {
    test::ScriptedHelperClient* client = nullptr;
    std::unique_ptr<AppModel> model;
    QWidget window;
    OrphansBanner* banner = nullptr;
    QStringList revealed;
    bool revealWorks = true; // whether a file manager answers

    explicit Fixture(bool reduceMotion = false)
    {
        auto owned = std::make_unique<test::ScriptedHelperClient>();
        client = owned.get();
        model = std::make_unique<AppModel>(std::move(owned));
        GlassResolver glass;
        glass.reduceMotion = reduceMotion;
        GlassEnvironment::set(&window, glass);
        banner = new OrphansBanner(*model, &window);
        // Along the bottom edge, as the main window places it.
        auto* column = new QVBoxLayout(&window);
        column->addStretch(1);
        column->addWidget(banner);
        banner->setReveal([this](QString path) {
            revealed.append(path);
            return answer(revealWorks);
        });
        window.resize(700, 500);
        window.show();
    }

    OrphansStore& store() { return *model->orphans(); }
};

} // namespace

class TestOrphansBanner : public QObject {
    Q_OBJECT

private slots:
    // The first ten files are listed, the rest counted.
    void listIsCutAtTen_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("summary");
        QTest::addColumn<int>("listed");
        QTest::addColumn<QString>("more");
        QTest::newRow("one") << 1 << "1 leftover file no longer in your playlists" << 1 << "";
        QTest::newRow("exactly ten") << 10 << "10 leftover files no longer in your playlists" << 10 << "";
        QTest::newRow("eleven") << 11 << "11 leftover files no longer in your playlists" << 10
                                << "and 1 more file\u2026";
        QTest::newRow("twenty-five") << 25 << "25 leftover files no longer in your playlists" << 10
                                     << "and 15 more files\u2026";
    }
    void listIsCutAtTen()
    {
        QFETCH(int, count);
        QFETCH(QString, summary);
        QFETCH(int, listed);
        QFETCH(QString, more);

        Fixture f;
        QVERIFY(f.banner->isHidden());
        f.store().accumulate(paths(count));
        QVERIFY(f.banner->isVisible());
        QCOMPARE(f.banner->summaryText(), summary);
        QVERIFY(f.banner->listedPaths().isEmpty());

        QTest::mouseClick(f.banner->showButton(), Qt::LeftButton);
        QCOMPARE(f.banner->showButton()->text(), QStringLiteral("Hide"));
        QCOMPARE(f.banner->listedPaths(), paths(count).mid(0, listed));
        QCOMPARE(f.banner->moreText(), more);
        QCOMPARE(f.banner->fileList()->model()->rowCount(), listed);

        QTest::mouseClick(f.banner->showButton(), Qt::LeftButton);
        QCOMPARE(f.banner->showButton()->text(), QStringLiteral("Show"));
        QTRY_VERIFY(f.banner->listedPaths().isEmpty());
    }

    // Show and Hide fold the list open and shut, or at once under reduce
    // motion; either way the card ends as tall as its content, and a change of
    // mind midway ends where the last press asked.
    void showAndHideFold_data()
    {
        QTest::addColumn<bool>("reduceMotion");
        QTest::newRow("animated") << false;
        QTest::newRow("reduce motion") << true;
    }
    void showAndHideFold()
    {
        QFETCH(bool, reduceMotion);
        Fixture f(reduceMotion);
        f.store().accumulate(paths(12));
        DisclosurePanel* panel = f.banner->listPanel();
        const int collapsed = f.banner->sizeHint().height();

        QTest::mouseClick(f.banner->showButton(), Qt::LeftButton);
        QCOMPARE(panel->isMoving(), !reduceMotion);
        QVERIFY(panel->isVisible());
        QTRY_VERIFY(!panel->isMoving());
        QCOMPARE(f.banner->listedPaths().size(), 10);
        QTRY_COMPARE(panel->height(), panel->content()->height());
        QVERIFY(panel->height() > 0);
        QTRY_VERIFY(f.banner->sizeHint().height() > collapsed + panel->height() / 2);
        QCOMPARE(panel->content()->graphicsEffect(), nullptr);

        QTest::mouseClick(f.banner->showButton(), Qt::LeftButton);
        QCOMPARE(panel->isMoving(), !reduceMotion);
        QTRY_VERIFY(panel->isHidden());
        QVERIFY(!panel->isMoving());
        QTRY_COMPARE(f.banner->sizeHint().height(), collapsed);

        // Hide pressed while the list still opens.
        QTest::mouseClick(f.banner->showButton(), Qt::LeftButton);
        QTest::mouseClick(f.banner->showButton(), Qt::LeftButton);
        QCOMPARE(f.banner->showButton()->text(), QStringLiteral("Show"));
        QTRY_VERIFY(!panel->isMoving());
        QVERIFY(panel->isHidden());
        QTRY_COMPARE(f.banner->sizeHint().height(), collapsed);
    }

    // Move to Trash sends every path once: it is disabled while the request is
    // out. A failure shows the store's error and keeps the files listed.
    void trashInFlightAndFailure()
    {
        Fixture f;
        f.store().accumulate(paths(3));
        f.client->setHoldReplies(true);
        f.client->enqueue(Method::trashOrphans,
            { Outcome::engineError("io_error", "The trash is full."), Outcome::absent() });
        QTest::mouseClick(f.banner->trashButton(), Qt::LeftButton);
        QVERIFY(!f.banner->trashButton()->isEnabled());
        QTest::mouseClick(f.banner->trashButton(), Qt::LeftButton);
        QTRY_COMPARE(f.client->waiting(), 1);
        f.client->release();
        QTRY_VERIFY(f.banner->trashButton()->isEnabled());
        QCOMPARE(f.client->sentMethods(), QList<Method>({ Method::trashOrphans }));
        QCOMPARE(f.client->sent().first().request, Request::trashOrphans(paths(3)));
        QCOMPARE(f.banner->errorText(), QStringLiteral("The trash is full."));
        QVERIFY(f.banner->isVisible());
        QCOMPARE(f.banner->summaryText(), QStringLiteral("3 leftover files no longer in your playlists"));

        f.client->setHoldReplies(false);
        QTest::mouseClick(f.banner->trashButton(), Qt::LeftButton);
        QTRY_VERIFY(f.banner->isHidden());
        QVERIFY(f.store().paths().isEmpty());
    }

    // Keep hides the card for good, also when more files arrive.
    void keepHidesForGood()
    {
        Fixture f;
        f.store().accumulate(paths(2));
        QTest::mouseClick(f.banner->keepButton(), Qt::LeftButton);
        QVERIFY(f.banner->isHidden());
        f.store().accumulate({ QStringLiteral("/music/out/late.mp3") });
        QVERIFY(f.banner->isHidden());
        QVERIFY(f.client->sent().isEmpty());
    }

    void revealButtonOfARow()
    {
        Fixture f;
        f.store().accumulate(paths(3));
        f.banner->setExpanded(true);
        FittedListView* list = f.banner->fileList();
        QStyleOptionViewItem option;
        option.initFrom(list);
        const QModelIndex second = list->model()->index(1, 0);
        option.rect = list->visualRect(second);
        const QRect button = OrphanFileDelegate::revealRect(option, paths(3)[1]);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, button.center());
        QCOMPARE(f.revealed, QStringList { paths(3)[1] });
        // A click on the name reveals nothing.
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, option.rect.topLeft() + QPoint(30, 4));
        QCOMPARE(f.revealed.size(), 1);
        // Assistive technology hears what the button does.
        QCOMPARE(
            second.data(Qt::AccessibleDescriptionRole).toString(), QStringLiteral("Reveal in File Manager"));
        QCOMPARE(f.model->sync().banner(), std::nullopt);

        // Without a file manager that could show it, the sync banner says so.
        f.revealWorks = false;
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, button.center());
        QCOMPARE(f.revealed.size(), 2);
        QTRY_VERIFY(f.model->sync().banner().has_value());
        QCOMPARE(f.model->sync().banner()->message,
            QStringLiteral("No file manager could show \u201C%1\u201D.")
                .arg(QFileInfo(paths(3)[1]).fileName()));
        QCOMPARE(f.model->sync().banner()->kind, SyncBanner::Kind::error);
    }

    void fileNames_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("name");
        QTest::newRow("file") << "/a/b/Song.flac"
                              << "Song.flac";
        QTest::newRow("trailing slash") << "/a/b/"
                                        << "b";
        QTest::newRow("no folder") << "Song.mp3"
                                   << "Song.mp3";
        QTest::newRow("root") << "/"
                              << "/";
    }
    void fileNames()
    {
        QFETCH(QString, path);
        QFETCH(QString, name);
        QCOMPARE(OrphanFileDelegate::fileName(path), name);
    }
};

QTEST_MAIN(TestOrphansBanner)
#include "tst_orphansbanner.moc"
