#pragma once
// Whether a search engine answered a result page as engines answer robots they refuse: a status
// of 429 or 503, a captcha or consent page in place of results, or a page with no result link
// where results were due. Engines do not say so in plain words, so a short list of the marks
// such pages carry stands in for it.

#include "crawl/znWebSearch.h"

#include <QString>

namespace EngineRefusal {

// Why `page` shows its engine refusing automated requests; empty when it does not. A page
// `resultsExpected` must hold at least one result link.
QString reason(const TResultPage &page, bool resultsExpected);

// "Engine X is refusing automated requests: reason", for the error log and standard error.
QString message(const QString &caption, const QString &reason);

// Appends the message as one line to the error log; false when it could not be written.
bool log(const QString &caption, const QString &reason);

} // namespace EngineRefusal
