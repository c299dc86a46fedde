#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

// A broken property ends the run the way a crash does: libFuzzer keeps the input, and the
// replay of the regression corpus fails.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition))                                                                          \
            FuzzSupport::fail(#condition, __FILE__, __LINE__);                                     \
    } while (false)

namespace FuzzSupport {

[[noreturn]] void fail(const char *condition, const char *file, int line);

QByteArray bytesOf(const std::uint8_t *data, std::size_t size);

// A path in a scratch folder that lives as long as the process, under TMPDIR.
QString scratchPath(const QString &name);

// Replaces the file at path with bytes, written directly.
void put(const QString &path, const QByteArray &bytes);

QByteArray contents(const QString &path);

} // namespace FuzzSupport

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size);
