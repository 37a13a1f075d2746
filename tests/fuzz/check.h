#pragma once

// Shared by the fuzz targets: a broken invariant aborts, which libFuzzer
// records as a crash and the replay test reports as a failure.

#include <QString>

#include <cstdio>
#include <cstdlib>

#define QN62_CHECK(cond)                                                                           \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond);          \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

#define QN62_CHECK_EQ(a, b)                                                                        \
    do {                                                                                           \
        if (!((a) == (b))) {                                                                       \
            std::fprintf(stderr, "%s:%d: check failed: %s == %s\n  \"%s\"\n  \"%s\"\n", __FILE__,  \
                         __LINE__, #a, #b, qPrintable(QString(a)), qPrintable(QString(b)));        \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)
