// The thorough address scan on any bytes: it ends, and every address it gives is one.
#include "crawl/AddressScan.h"
#include "crawl/PublicSuffix.h"

#include <QSet>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray page(reinterpret_cast<const char *>(data), qsizetype(size));
    const QByteArrayList found = AddressScan::ExtractEmails(page);
    QSet<QByteArray> seen;
    for (const QByteArray &address : found) {
        const qsizetype at = address.indexOf('@');
        const bool oneAt = at > 0 && address.indexOf('@', at + 1) < 0;
        const bool lowerCase = address.toLower() == address;
        const bool limits = at <= 64 && address.size() - at - 1 <= 253;
        if (!oneAt || !lowerCase || !limits || seen.contains(address)
            || !PublicSuffix::hasRealTopLevel(address.sliced(at + 1)))
            std::abort();
        seen.insert(address);
    }
    return 0;
}
