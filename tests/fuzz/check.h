#pragma once

// Shared by the fuzz targets: a broken invariant aborts, which libFuzzer
// records as a crash and the replay test reports as a failure.

#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

[[noreturn]] inline void qn62CheckFailed(const char *where, const char *what, const QString &a = {},
                                         const QString &b = {})
{
    std::fprintf(stderr, "%s: check failed: %s\n  \"%s\"\n  \"%s\"\n", where, what, qPrintable(a), qPrintable(b));
    std::abort();
}

#define QN62_WHERE __FILE__ ":" QT_STRINGIFY(__LINE__)
#define QN62_CHECK(cond) ((cond) ? void() : qn62CheckFailed(QN62_WHERE, #cond))
#define QN62_CHECK_EQ(a, b) ((a) == (b) ? void() : qn62CheckFailed(QN62_WHERE, #a " == " #b, QString(a), QString(b)))
