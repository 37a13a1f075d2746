#pragma once

#include "form1.h"
#include "ptyline.h"
#include "serialcomm.h"

#include <QLabel>
#include <QtTest>

// The real panel on the real serial layer, its COM1 a pseudo-terminal that
// the test reads and writes. Any warning fails the test.
class PanelFixture : public QObject
{
protected:
    std::unique_ptr<PtyLine> line;
    std::unique_ptr<qn62::SerialComm> port;
    std::unique_ptr<qn62::Form1> w;

    void openPanel()
    {
        line = std::make_unique<PtyLine>();
        port = std::make_unique<qn62::SerialComm>();
        port->setDevice(1, line->path);
        w = std::make_unique<qn62::Form1>(port.get());
        w->setWarningHandler([](const QString &text) { QFAIL(qPrintable(text)); });
    }
    void closePanel()
    {
        w.reset();
        port.reset();
        line.reset();
    }
    QString label(const char *name) const
    {
        return static_cast<QLabel *>(w->control(QLatin1String(name)))->text();
    }
};
