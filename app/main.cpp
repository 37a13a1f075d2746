#include "form1.h"
#include "options.h"
#include "serialcomm.h"

#include <QApplication>
#include <QStyleFactory>

#include <cstdio>

int main(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const qn62::ParsedOptions parsed = qn62::parseOptions(arguments);
    if (!parsed.error.isEmpty()) {
        std::fprintf(stderr, "qn62-control: %s\nTry 'qn62-control --help'.\n", qPrintable(parsed.error));
        return 2;
    }
    const qn62::Options &options = parsed.options;
    if (options.help) {
        std::fputs(qPrintable(qn62::usageText()), stdout);
        return 0;
    }
    if (options.version) {
        std::fputs(qPrintable(qn62::versionText()), stdout);
        return 0;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("qn62-control"));
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));

    qn62::SerialComm port;
    port.setDevice(1, options.com1);
    port.setDevice(2, options.com2);

    if (options.demo) {
        std::fputs("qn62-control: the demo is not available in this build yet.\n", stderr);
        return 1;
    }

    qn62::Form1 window(&port);
    window.show();
    return app.exec();
}
