#pragma once

#include "transport.h"

#include <QSerialPort>

#include <memory>

class QSocketNotifier;

namespace qn62 {

// The few serial-device calls SerialTransport makes. The program uses
// QSerialPort through QtSerialIo; a test puts in a device that fails the
// ways a pseudo-terminal cannot (an adapter pulled out, each open failure)
// and records the modem lines asked for.
class SerialIo : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~SerialIo() override = default;

    // Opens the device with these settings from the start.
    virtual bool open(const QString &path, const LineSettings &settings) = 0;
    virtual bool setSettings(const LineSettings &settings) = 0;
    virtual void setModemLines(bool dtr, bool rts) = 0;
    // Throws away output not yet sent, then closes.
    virtual void close() = 0;
    // Bytes taken, 0 when the device takes nothing now (readyWrite() follows),
    // -1 on failure (error() and errorString() tell why).
    virtual qint64 write(const char *data, qint64 size) = 0;
    // Bytes written that the driver still holds, where it tells.
    virtual qint64 bytesInDriver() const { return 0; }
    virtual QByteArray readAll() = 0;
    virtual QSerialPort::SerialPortError error() const = 0;
    virtual QString errorString() const = 0;

signals:
    void readyRead();
    void readyWrite();
    void errorOccurred(QSerialPort::SerialPortError error);
};

// SerialIo over QSerialPort, writing straight to the device so that a full
// output buffer is a wait and not an error. A write is done when it returns:
// the device has copied what it took.
class QtSerialIo final : public SerialIo
{
    Q_OBJECT
public:
    explicit QtSerialIo(QObject *parent = nullptr);
    ~QtSerialIo() override;

    bool open(const QString &path, const LineSettings &settings) override;
    bool setSettings(const LineSettings &settings) override;
    void setModemLines(bool dtr, bool rts) override;
    void close() override;
    qint64 write(const char *data, qint64 size) override;
    qint64 bytesInDriver() const override;
    QByteArray readAll() override;
    QSerialPort::SerialPortError error() const override { return m_error; }
    QString errorString() const override { return m_errorString; }

private:
    bool applied(bool ok);

    QSerialPort m_port;
    QSocketNotifier *m_writable = nullptr;
    QSerialPort::SerialPortError m_error = QSerialPort::NoError;
    QString m_errorString;
};

// A local serial device (or pseudo-terminal) behind a port. The device is
// opened and locked by its canonical path, so that one device reached by
// two names is still one device. DTR is raised while open, RTS kept low.
class SerialTransport final : public Transport
{
    Q_OBJECT
public:
    // The path QSerialPort would open for a name: a bare name such as
    // "ttyUSB0" means the device of that name in /dev.
    static QString devicePath(const QString &name);

    explicit SerialTransport(const QString &path, std::unique_ptr<SerialIo> io = nullptr,
                             QObject *parent = nullptr);
    ~SerialTransport() override;

    QString address() const override { return m_path; }
    void open(const LineSettings &settings) override;
    bool isOpen() const override { return m_open; }
    void close() override;
    bool setSettings(const LineSettings &settings, QString *why) override;
    qint64 write(const QByteArray &bytes) override;
    QByteArray readAll() override;
    qint64 bytesToWrite() const override { return m_open ? m_io->bytesInDriver() : 0; }
    QString lossAdvice() const override { return QStringLiteral("Check the cable or adapter"); }

private:
    static QString noSuchDevice();
    QString openFailure(const QString &openedPath, bool *elsewhere) const;
    QString lossReason(QSerialPort::SerialPortError error) const;
    void handleError(QSerialPort::SerialPortError error);

    QString m_path;
    std::unique_ptr<SerialIo> m_io;
    bool m_open = false;
};

} // namespace qn62
