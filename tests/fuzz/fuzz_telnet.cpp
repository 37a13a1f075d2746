// The Telnet and COM-PORT codec: the input is what a server sends.
#include "check.h"
#include "telnetcodec.h"

#include <cstddef>
#include <cstdint>

namespace {

struct Run
{
    QByteArray data;
    QByteArray answer;
    int comPort;
    QStringList unconfirmed;
};

Run feed(const QByteArray &input, qsizetype cut)
{
    qn62::TelnetCodec c;
    c.start();
    c.setLine(19200, 8, 'N', 1);
    c.setControl(qn62::TelnetCodec::DtrOn);
    c.takeOutput();
    Run r;
    r.data = c.receive(input.left(cut));
    r.data += c.receive(input.mid(cut));
    r.answer = c.takeOutput();
    r.comPort = int(c.comPort());
    r.unconfirmed = c.unconfirmed();
    return r;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(bytes), qsizetype(size));

    // Where the stream is split between reads changes nothing.
    const Run whole = feed(input, input.size());
    const Run split = feed(input, size ? bytes[0] % (input.size() + 1) : 0);
    QN62_CHECK(whole.data == split.data);
    QN62_CHECK(whole.answer == split.answer);
    QN62_CHECK(whole.comPort == split.comPort);
    QN62_CHECK(whole.unconfirmed == split.unconfirmed);

    // Data only ever shrinks: every command byte is taken out. Answers
    // are three bytes per request at most, plus the held settings (38 bytes).
    QN62_CHECK(whole.data.size() <= input.size());
    QN62_CHECK(whole.answer.size() <= 38 + 3 * input.count(char(0xFF)));
    // Five settings were asked for; no more can be outstanding.
    QN62_CHECK(whole.unconfirmed.size() <= 5);

    // Any data sent through one codec comes out of another unchanged.
    qn62::TelnetCodec sender;
    qn62::TelnetCodec receiver;
    receiver.start();
    receiver.receive(QByteArray("\xff\xfb\x00", 3)); // the sender's side agreed to binary
    sender.sendData(input);
    const QByteArray wire = sender.takeOutput();
    QN62_CHECK(wire.size() == input.size() + input.count(char(0xFF)));
    QN62_CHECK(receiver.receive(wire) == input);
    return 0;
}
