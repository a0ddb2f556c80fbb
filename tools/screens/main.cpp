// Renders the application's windows in named states, from the design-time
// substitutes, to PNG files in the light and dark appearance:
//
//   mivo-screens <folder> [<name prefix>...]   writes <state>-light.png and <state>-dark.png
//   mivo-screens --list                        prints the state names, one a line
//
// A developer tool for looking at the windows; not part of the application.

#include "App/Translations.h"
#include "ScreenFixture.h"
#include "ScreenRegistry.h"
#include "Styling/AppStyle.h"
#include "Styling/PreviewPalettes.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <QWidget>

using namespace mivo;
using namespace mivo::screens;

namespace {

struct Appearance {
    QString name;
    QPalette palette;
};

bool wanted(const ScreenState& state, const QStringList& prefixes)
{
    if (prefixes.isEmpty())
        return true;
    for (const QString& prefix : prefixes) {
        if (state.name.startsWith(prefix))
            return true;
    }
    return false;
}

bool render(const ScreenState& state, const Appearance& appearance, const QDir& folder)
{
    QApplication::setPalette(appearance.palette);
    ScreenFixture fixture(appearance.palette);
    QWidget* widget = state.build(fixture);
    widget->setPalette(appearance.palette);
    widget->setAutoFillBackground(true);
    if (state.size.isValid())
        widget->resize(state.size);
    widget->show();
    ScreenFixture::settle();
    if (state.size.isValid())
        widget->resize(state.size);
    ScreenFixture::settle();
    const QString path = folder.filePath(QStringLiteral("%1-%2.png").arg(state.name, appearance.name));
    const bool ok = widget->grab().save(path);
    QTextStream(stdout) << (ok ? "wrote " : "FAILED ") << path << '\n';
    delete widget;
    ScreenFixture::settle();
    return ok;
}

// A run for the states of one scale: it draws on one screen of 1920 × 1080 at
// that scale, set before the application starts.
constexpr const char* kScaleVariable = "MIVO_SCREENS_SCALE";

qreal runScale()
{
    bool ok = false;
    const qreal scale = qEnvironmentVariable(kScaleVariable).toDouble(&ok);
    return ok && scale > 0 ? scale : 1;
}

// Draws the states of `scale` in a run of their own, into `folder`.
bool renderScaled(qreal scale, const QStringList& names, const QString& folder)
{
    QTemporaryDir dir;
    const QString screens = dir.filePath(QStringLiteral("screens.json"));
    QFile file(screens);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(R"({ "screens": [ { "name": "screen", "x": 0, "y": 0, "width": 1920, "height": 1080 } ] })");
    file.close();
    QProcess run;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(kScaleVariable), QString::number(scale));
    environment.insert(QStringLiteral("QT_SCALE_FACTOR"), QString::number(scale));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen:configfile=") + screens);
    run.setProcessEnvironment(environment);
    run.setProcessChannelMode(QProcess::ForwardedChannels);
    run.start(QCoreApplication::applicationFilePath(), QStringList { folder } + names);
    return run.waitForFinished(-1) && run.exitStatus() == QProcess::NormalExit && run.exitCode() == 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setStyle(new AppStyle);
    Translations::install();

    QStringList args = QApplication::arguments().mid(1);
    const QList<ScreenState> states = ScreenRegistry::instance().states();
    if (args == QStringList { QStringLiteral("--list") }) {
        QTextStream out(stdout);
        for (const ScreenState& state : states)
            out << state.name << '\n';
        return 0;
    }
    if (args.isEmpty() || args.first().startsWith(u'-')) {
        QTextStream(stderr) << "usage: mivo-screens <folder> [<name prefix>...]\n"
                               "       mivo-screens --list\n";
        return 2;
    }
    const QDir folder(args.takeFirst());
    if (!folder.mkpath(QStringLiteral("."))) {
        QTextStream(stderr) << "cannot create " << folder.path() << '\n';
        return 1;
    }

    const QList<Appearance> appearances { { QStringLiteral("light"), PreviewPalettes::light() },
        { QStringLiteral("dark"), PreviewPalettes::dark() } };
    bool ok = true;
    int rendered = 0;
    const qreal scale = runScale();
    QMap<qreal, QStringList> scaled;
    for (const ScreenState& state : states) {
        if (!wanted(state, args))
            continue;
        ++rendered;
        if (state.scale != scale) {
            if (scale == 1)
                scaled[state.scale].append(state.name);
            continue;
        }
        for (const Appearance& appearance : appearances)
            ok &= render(state, appearance, folder);
    }
    for (auto it = scaled.cbegin(); it != scaled.cend(); ++it)
        ok &= renderScaled(it.key(), it.value(), folder.path());
    if (rendered == 0) {
        QTextStream(stderr) << "no state matches\n";
        return 1;
    }
    return ok ? 0 : 1;
}
