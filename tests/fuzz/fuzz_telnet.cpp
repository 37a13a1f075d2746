// The Telnet and COM-PORT codec: the input is what a server sends.
#include "check.h"
#include "telnetcodec.h"

#include <tuple>

// What a codec that asked for settings makes of the input read in two pieces,
// cut at cut: the data, its answer, COM-PORT's state, the settings unconfirmed.
static auto feed(const QByteArray &input, qsizetype cut)
{
    qn62::TelnetCodec c;
    c.start();
    c.setLine(19200, 8, 'N', 1);
    c.setControl(qn62::TelnetCodec::DtrOn);
    c.takeOutput();
    QByteArray data = c.receive(input.left(cut));
    data += c.receive(input.mid(cut));
    return std::tuple(data, c.takeOutput(), int(c.comPort()), c.unconfirmed());
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(bytes), qsizetype(size));
    // Where the stream is split between reads changes nothing.
    const auto whole = feed(input, input.size());
    QN62_CHECK(whole == feed(input, size ? bytes[0] % (input.size() + 1) : 0));

    // Data only ever shrinks: every command byte is taken out. Answers are
    // three bytes per request at most, plus the held settings (38 bytes).
    // Five settings were asked for; no more can be outstanding.
    const auto &[data, answer, comPort, unconfirmed] = whole;
    QN62_CHECK(data.size() <= input.size() && answer.size() <= 38 + 3 * input.count(char(0xFF)));
    QN62_CHECK(unconfirmed.size() <= 5);

    // Any data sent through one codec comes out of another unchanged.
    qn62::TelnetCodec sender, receiver;
    receiver.start();
    receiver.receive(QByteArray("\xff\xfb\x00", 3)); // the sender's side agreed to binary
    sender.sendData(input);
    const QByteArray wire = sender.takeOutput();
    QN62_CHECK(wire.size() == input.size() + input.count(char(0xFF)) && receiver.receive(wire) == input);
    return 0;
}
