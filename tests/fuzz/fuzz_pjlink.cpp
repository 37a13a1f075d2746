// The bridge's PJLink codec and mapping: the input is what a client sends;
// its bytes also stand in for the projector's replies.
#include "check.h"
#include "codec.h"
#include "mapping.h"

using namespace qn62::pjlink;

// The session's outcomes and answers for the input fed in pieces of at
// most chunk bytes, with or without a password.
static QByteArrayList run(const QByteArray &input, qsizetype chunk, bool password)
{
    Session session(password ? "JBMIAProjectorLink" : "", "498e4a67");
    LineReader reader;
    QByteArrayList out;
    for (qsizetype at = 0; at < input.size();) {
        const qsizetype size = std::min(chunk, input.size() - at);
        at += reader.feed(input.constData() + at, size);
        if (!reader.lineReady())
            continue;
        bool overlong = false;
        const QByteArray line = reader.takeLine(&overlong);
        QN62_CHECK(line.size() <= LineReader::Kept);
        const Session::Outcome o = session.take(line, overlong);
        QByteArray answer = o.reply;
        if (o.kind == Session::Outcome::Request) {
            // Replies cut from the line itself, one more for every command.
            QByteArrayList replies;
            Step step = Mapping().next(o.request, replies);
            for (; !step.done(); step = Mapping().next(o.request, replies)) {
                QN62_CHECK(replies.size() < 3 && step.ask.size() == 3);
                replies << line.mid(replies.size() * 3, 3);
            }
            answer = reply(o.request.klass, o.request.command, step.answer);
        }
        // Every answer is one line of at most MaxLine bytes.
        QN62_CHECK(answer.isEmpty() || (answer.indexOf('\r') == answer.size() - 1 && answer.size() <= MaxLine));
        out << QByteArray::number(o.kind) + answer;
    }
    return out;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(bytes), qsizetype(size));
    for (const bool password : {false, true}) {
        const QByteArrayList whole = run(input, input.size(), password);
        // Where the stream is split between reads changes nothing.
        QN62_CHECK(whole == run(input, size ? 1 + bytes[0] % 7 : 1, password));
        // With a password nothing is answered before the right digest came.
        const bool proved = input.toLower().contains("5d8409bc1c3fa39749434aa3a5c38682");
        for (const QByteArray &o : whole)
            QN62_CHECK(!password || proved || o.startsWith('0') || o.startsWith('3'));
    }
    return 0;
}
