#pragma once
// The three web search engines an engine search can ask: the address of each result page and
// how many pages a phrase gets. No windows here: the engine panel and the command line share it.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// One row of the engine list as the user has ordered and marked it.
struct EngineRow
{
    QString caption;
    bool included = true;
};

// The web-search hosts; the defaults are the real ones. Section "Engines" of the main settings
// file may replace each ("GoogleHost", "BaiduHost"; a host may carry ":port").
struct EngineHosts
{
    QString google = QStringLiteral("www.google.com");
    QString baidu = QStringLiteral("www.baidu.com");

    static EngineHosts fromSettings(const QString &iniPath);
    // The hosts of TrawlMain.ini in the program folder, read anew at each call, so that a host
    // changed there counts from the next search on.
    static EngineHosts current();
};

namespace EngineTable {

extern const char16_t *const kGoogleChinese; // "Google(Simplified Chinese)"
extern const char16_t *const kGoogleEnglish; // "Google(English)"
extern const char16_t *const kBaidu;         // "百度"

// The engine rows of a new options dialog, in their designed order.
QList<EngineRow> initialRows();

// Result pages per phrase: 10, 10 or 76; 0 for a caption outside the table.
int PageCount(const QString &caption);

// The result-page address for page p of the phrase at phraseIndex, the phrase inserted as it
// stands. Empty for anything that cannot be built (unknown caption, index out of range).
QString BuildSearchURL(const EngineHosts &hosts, const QString &caption, int page, int phraseIndex,
                       const QStringList &phrases);

// What goes on the wire: every character an address cannot carry (blanks, controls, anything
// outside ASCII) percent-encoded, in UTF-8 for the Google engines and GBK for Baidu, whose
// servers read their queries in those encodings. Printable ASCII stays as it is.
QByteArray wireForm(const QString &url, const QString &caption);

// The root address of the Google web-search host: the engine panel's sign of confirmed options.
QString rootAddress(const EngineHosts &hosts);

} // namespace EngineTable
