#pragma once

#include "commport.h"

#include <QSerialPort>
#include <QStringList>

namespace qn62 {

// CommPort over QSerialPort. Port numbers 1 and 2 map to device paths
// (by default /dev/ttyS0 and /dev/ttyS1). Always 8 data bits, no parity,
// one stop bit unless the settings say otherwise, no flow control, DTR
// raised while open and RTS low.
class SerialComm : public CommPort
{
    Q_OBJECT
public:
    static constexpr int PortCount = 2;
    static constexpr const char *DefaultDevices[PortCount] = {"/dev/ttyS0", "/dev/ttyS1"};

    explicit SerialComm(QObject *parent = nullptr);
    ~SerialComm() override;

    void setDevice(int port, const QString &path);
    QString device(int port) const;

    int commPort() const override { return m_port; }
    bool setCommPort(int port) override;
    QString settings() const override { return m_settings.toString(); }
    bool setSettings(const QString &settings) override;
    bool portOpen() const override { return m_serial.isOpen(); }
    bool setPortOpen(bool open) override;
    bool output(const QString &text) override;
    QString input() override;
    int commEvent() const override { return m_event; }
    QString errorString() const override { return m_error; }
    QString describe(int port) const override;

private:
    bool fail(const QString &message);
    bool applySettings();
    QString openFailureText(QSerialPort::SerialPortError error) const;
    void handleError(QSerialPort::SerialPortError error);

    QSerialPort m_serial;
    QStringList m_devices;
    int m_port = 1;
    LineSettings m_settings;
    int m_event = 0;
    QString m_error;
};

} // namespace qn62
