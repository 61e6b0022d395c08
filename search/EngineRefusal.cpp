#include "search/EngineRefusal.h"

#include "crawl/ThrWebSearch.h"
#include "platform/AppendLine.h"

namespace {

struct Mark
{
    const char *text; // lower case; looked for in the address that answered and in the body
    const char *kind;
};

// Marks of pages that stand between a robot and the results, chosen to be unlikely on a page
// of results itself: the scripts of the common captcha services, the addresses engines send
// robots to, and the words of the best-known ones.
constexpr Mark marks[] = {
    {"g-recaptcha", "a captcha page"},
    {"www.google.com/recaptcha/", "a captcha page"},
    {"h-captcha", "a captcha page"},
    {"hcaptcha.com/1/api.js", "a captcha page"},
    {"captcha-delivery.com", "a captcha page"},
    {"/cdn-cgi/challenge-platform/", "a captcha page"},
    {"/sorry/index", "a captcha page"},
    {"wappass.baidu.com", "a captcha page"},
    {"our systems have detected unusual traffic", "a captcha page"},
    {"consent.google.com", "a consent page"},
    {"consent.yahoo.com", "a consent page"},
    {"before you continue to google", "a consent page"},
};

} // namespace

namespace EngineRefusal {

QString reason(const TResultPage &page, bool resultsExpected)
{
    if (page.status == 429 || page.status == 503)
        return QStringLiteral("HTTP status %1").arg(page.status);
    const QByteArray answered = page.finalUrl.toLower();
    const QByteArray body = page.body.toLower();
    for (const Mark &mark : marks) {
        if (answered.contains(mark.text) || body.contains(mark.text))
            return QStringLiteral("%1 (\"%2\")").arg(QLatin1StringView(mark.kind), QLatin1StringView(mark.text));
    }
    const bool answeredWell = page.status >= 200 && page.status <= 299;
    if (resultsExpected && answeredWell && page.resultLinks == 0)
        return QStringLiteral("no result links on its first result page");
    return {};
}

QString message(const QString &caption, const QString &reason)
{
    return QStringLiteral("Engine %1 is refusing automated requests: %2").arg(caption, reason);
}

bool log(const QString &caption, const QString &reason)
{
    return AppendLine(QString::fromLatin1(TThrWebSearch::kErrorLog), message(caption, reason).toUtf8());
}

} // namespace EngineRefusal
