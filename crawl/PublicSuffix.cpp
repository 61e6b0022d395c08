#include "crawl/PublicSuffix.h"

#include <libpsl.h>

#include <memory>

namespace PublicSuffix {
namespace {

struct ListFree
{
    void operator()(psl_ctx_t *list) const { psl_free(list); }
};

const psl_ctx_t *list()
{
    // psl_latest reads the system's list when it is newer than the built-in one.
    static const std::unique_ptr<psl_ctx_t, ListFree> latest(psl_latest(nullptr));
    return latest ? latest.get() : psl_builtin();
}

bool isDottedDigits(QByteArrayView host)
{
    for (const char c : host) {
        if (c != '.' && (c < '0' || c > '9'))
            return false;
    }
    return true;
}

} // namespace

QByteArray registrableDomain(QByteArrayView host)
{
    if (host.isEmpty() || isDottedDigits(host) || host.contains(':') || list() == nullptr)
        return {};
    const QByteArray name = host.toByteArray();
    const char *domain = psl_registrable_domain(list(), name.constData());
    return domain != nullptr ? QByteArray(domain) : QByteArray();
}

bool hasRealTopLevel(QByteArrayView domain)
{
    const qsizetype dot = domain.lastIndexOf('.');
    const QByteArray topLevel = (dot < 0 ? domain : domain.sliced(dot + 1)).toByteArray();
    if (topLevel.isEmpty() || list() == nullptr)
        return false;
    return psl_is_public_suffix2(list(), topLevel.constData(), PSL_TYPE_ANY | PSL_TYPE_NO_STAR_RULE) != 0;
}

} // namespace PublicSuffix
