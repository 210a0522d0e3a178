// vantor-screens OUTDIR [--only PATTERN]: renders every form of the program, in its initial state
// and its main later states, and the message boxes on the way, to OUTDIR/NN-form-state.png, with
// an index.html listing them. For review and for the README; run it under a display (Xvfb) or
// with QT_QPA_PLATFORM=offscreen.

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QStyleFactory>
#include <cstdio>

#include "ScreenTour.h"
#include "Shooter.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    // As the program itself starts.
    QApplication::setOrganizationName(QStringLiteral("VantorUSA_PCProgram"));
    QApplication::setApplicationName(QStringLiteral("VantorUSA_PCProgram"));
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setQuitOnLastWindowClosed(false);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Renders the program's forms and message boxes to PNG files."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("OUTDIR"),
                                 QStringLiteral("Folder for the PNG files and index.html."));
    const QCommandLineOption only(
        QStringLiteral("only"),
        QStringLiteral("Write only the pictures whose name matches PATTERN (wildcards)."),
        QStringLiteral("PATTERN"));
    parser.addOption(only);
    parser.process(application);
    if (parser.positionalArguments().size() != 1) {
        std::fprintf(stderr, "usage: vantor-screens OUTDIR [--only PATTERN]\n");
        return 2;
    }

    vantor::test::Shooter shooter(parser.positionalArguments().first(), parser.value(only));
    bool ok = false;
    try {
        vantor::test::ScreenTour tour(shooter);
        ok = tour.run();
    } catch (const std::exception& error) {
        shooter.fail(QString::fromLocal8Bit(error.what()));
    }
    shooter.writeIndex();
    std::printf("%lld pictures in %s\n", static_cast<long long>(shooter.written().size()),
                qPrintable(QDir(parser.positionalArguments().first()).absolutePath()));
    return ok ? 0 : 1;
}
