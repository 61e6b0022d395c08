// Reads arbitrary robots.txt bodies and aborts when an answer breaks a rule that holds for every
// body. The first byte gives the length of the path that follows; the rest is the body.

#include "crawl/RobotsTxt.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void Fail(const char *what, const QByteArray &body, const QByteArray &path)
{
    std::fprintf(stderr, "%s\nbody: %s\npath: %s\n", what, body.toPercentEncoding().constData(),
                 path.toPercentEncoding().constData());
    std::abort();
}

// A path as a crawler asks for it: starting with "/", with no byte that would end or cut a
// robots.txt line, or be trimmed off it, when the path is written into a rule.
QByteArray AsPath(const char *data, size_t size)
{
    QByteArray path = "/";
    for (size_t k = 0; k < size; ++k) {
        const char c = data[k];
        if (c == '\n' || c == '\r' || c == '#' || c == ' ' || c == '\t')
            path.append('%').append(QByteArray::number(static_cast<unsigned char>(c), 16).rightJustified(2, '0'));
        else
            path.append(c);
    }
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const size_t pathSize = std::min<size_t>(data[0], size - 1);
    const char *bytes = reinterpret_cast<const char *>(data);
    const QByteArray path = AsPath(bytes + 1, pathSize);
    const QByteArray body(bytes + 1 + pathSize, static_cast<qsizetype>(size - 1 - pathSize));

    const RobotsTxt first = RobotsTxt::parse(body, "Trawlex");
    const RobotsTxt second = RobotsTxt::parse(body, "Trawlex");
    if (!first.allows("/robots.txt"))
        Fail("/robots.txt disallowed", body, path);
    if (first.allows(path) != second.allows(path) || first.crawlDelay() != second.crawlDelay())
        Fail("two readings differ", body, path);

    // An Allow naming the path exactly weighs as much as any rule that can match it, so it wins:
    // in a group of the crawler's own put behind the body, and in every group once it follows
    // every line. A final "$" in the path would end the pattern there; a "*" keeps it literal.
    const QByteArray allowLine = "\nAllow: " + path + (path.endsWith('$') ? "*\n" : "\n");
    const QByteArray ownGroup = body + "\nUser-agent: Trawlex" + allowLine;
    QByteArray everyGroup;
    for (const char c : body) {
        everyGroup.append(c);
        if (c == '\n' || c == '\r')
            everyGroup.append(allowLine);
    }
    everyGroup.append(allowLine);
    for (const QByteArray &withAllow : {ownGroup, everyGroup}) {
        if (withAllow.size() <= 500 * 1024 && !RobotsTxt::parse(withAllow, "Trawlex").allows(path))
            Fail("an Allow for the path itself does not allow it", withAllow, path);
    }
    return 0;
}
