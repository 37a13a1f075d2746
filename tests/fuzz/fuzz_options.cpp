// The command line: the input is the arguments, separated by NUL bytes.
#include "check.h"
#include "options.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QStringList args;
    if (size > 0)
        for (const QByteArray &arg : QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)).split('\0'))
            args << QString::fromLocal8Bit(arg);
    const qn62::ParsedOptions parsed = qn62::parseOptions(args);
    if (!parsed.error.isEmpty())
        return 0;
    const qn62::Options defaults;
    const qn62::Options &o = parsed.options;
    QN62_CHECK(!o.com1.isEmpty() && !o.com2.isEmpty());
    // A device other than the default came from the command line.
    QN62_CHECK(o.com1 == defaults.com1 || args.contains(o.com1) || args.contains(QLatin1String("--com1=") + o.com1));
    QN62_CHECK(o.com2 == defaults.com2 || args.contains(o.com2) || args.contains(QLatin1String("--com2=") + o.com2));
    QN62_CHECK(!o.demo || args.contains(QLatin1String("--demo")));
    QN62_CHECK(!o.help || args.contains(QLatin1String("--help")) || args.contains(QLatin1String("-h")));
    QN62_CHECK(!o.version || args.contains(QLatin1String("--version")));
    return 0;
}
