// Address and link extraction speed on ordinary pages and on a page crowded with "@", next to
// the slow literal model measured on the same pages in the same run.
//
// Pages are built deterministically from the manual pages of the manpages-dev package, turned
// into plain HTML with a few anchors and addresses per page: 10 MiB of them, a 100 KiB sample of
// its lines, and 1 MiB holding 20,000 "@". TRAWLEX_BENCH_DUMP=dir writes the pages there
// (html-100k.html, html-10m.html, at-dense-1m.html) for bench/extract-compare.

#include "crawl/AddressScan.h"
#include "crawl/PageText.h"
#include "tests/crawl/PageTextReference.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QProcess>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr qsizetype kKiB = 1024;
constexpr qsizetype kMiB = 1024 * kKiB;
constexpr int kDenseAts = 20000;
const QByteArray kBase("http://man.example.org/man3/");

QStringList ManualPageFiles()
{
    QStringList files;
    QFile list(QStringLiteral("/var/lib/dpkg/info/manpages-dev.list"));
    if (list.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : list.readAll().split('\n')) {
            if ((line.contains("/man2/") || line.contains("/man3/")) && line.endsWith(".gz"))
                files.append(QString::fromUtf8(line));
        }
    } else {
        for (const char *dir : {"/usr/share/man/man2", "/usr/share/man/man3"}) {
            const QDir folder(QString::fromUtf8(dir));
            for (const QString &name : folder.entryList({QStringLiteral("*.gz")}, QDir::Files, QDir::Name))
                files.append(folder.filePath(name));
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

QByteArray Gunzip(const QString &file)
{
    QProcess gzip;
    gzip.start(QStringLiteral("gzip"), {QStringLiteral("-dc"), QStringLiteral("--"), file});
    if (!gzip.waitForFinished(30000))
        return {};
    return gzip.readAllStandardOutput();
}

QByteArray Escaped(QByteArray text)
{
    text.replace('&', "&amp;").replace('<', "&lt;").replace('>', "&gt;");
    return text;
}

// Font escapes become tags, the way a converter would render them.
QByteArray InlineMarkup(const QByteArray &line)
{
    QByteArray out = Escaped(line);
    out.replace("\\fB", "<b>").replace("\\fI", "<i>").replace("\\fR", "</b>").replace("\\fP", "</i>");
    out.replace("\\-", "-").replace("\\(em", "&mdash;");
    return out;
}

// ".BR name (3)" cross-references turn into links to the neighbouring page.
QByteArray CrossReference(const QByteArray &args)
{
    const QList<QByteArray> words = args.simplified().split(' ');
    if (words.size() >= 2 && words[1].size() >= 3 && words[1].startsWith('(') && words[1].at(1) >= '1'
        && words[1].at(1) <= '8') {
        const QByteArray section = words[1].mid(1, 1);
        return "<a href=\"../man" + section + "/" + Escaped(words[0]) + "." + section + ".html\">"
               + Escaped(words[0]) + "</a>" + Escaped(words[1]) + "\n";
    }
    return "<b>" + InlineMarkup(args) + "</b>\n";
}

QByteArray PageToHtml(const QByteArray &roff, int pageNumber)
{
    QByteArray html;
    html += "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">\n";
    for (const QByteArray &line : roff.split('\n')) {
        if (line.startsWith(".\\\"")) {
            html += "<!-- " + Escaped(line.mid(3)) + " -->\n";
        } else if (line.startsWith(".TH ")) {
            html += "<title>" + Escaped(line.mid(4)) + "</title></head>\n<body>\n<h1>"
                    + Escaped(line.mid(4).split(' ').first()) + "</h1>\n";
        } else if (line.startsWith(".SH ") || line.startsWith(".SS ")) {
            const char *level = line.startsWith(".SH") ? "h2" : "h3";
            html += QByteArray("<") + level + ">" + InlineMarkup(line.mid(4)) + "</" + level + ">\n";
        } else if (line == ".PP" || line == ".P" || line == ".LP" || line == ".TP") {
            html += "<p>\n";
        } else if (line == ".nf") {
            html += "<pre>\n";
        } else if (line == ".fi") {
            html += "</pre>\n";
        } else if (line.startsWith(".BR ") || line.startsWith(".IR ")) {
            html += CrossReference(line.mid(4));
        } else if (line.startsWith(".B ") || line.startsWith(".I ")) {
            const char *tag = line.startsWith(".B") ? "b" : "i";
            html += QByteArray("<") + tag + ">" + InlineMarkup(line.mid(3)) + "</" + tag + ">\n";
        } else if (!line.startsWith('.')) {
            html += InlineMarkup(line) + "\n";
        }
    }
    const QByteArray n = QByteArray::number(pageNumber);
    html += "<hr><address>Rendered for the local mirror; corrections to <a href=\"mailto:pages-" + n
            + "@docs.example.org\">pages-" + n + "@docs.example.org</a></address>\n"
            + "<p><a href=\"index.html\">Index</a> <a href=\"/man3/\">Section 3</a></p>\n</body></html>\n";
    return html;
}

// Manual pages rendered one after the other until there are `size` bytes, cut there.
QByteArray RenderManualHtml(qsizetype size)
{
    const QStringList files = ManualPageFiles();
    QByteArray html;
    for (int round = 0; round < 100 && html.size() < size && !files.isEmpty(); ++round) {
        for (int k = 0; k < files.size() && html.size() < size; ++k)
            html += PageToHtml(Gunzip(files[k]), k);
    }
    html.truncate(size);
    return html;
}

QByteArray ManualHtml()
{
    static const QByteArray all = RenderManualHtml(10 * kMiB);
    return all;
}

// Every 100th line of the large page (then every 100th from the second line on, and so on), so
// that the small page has the same mix of markup, text and addresses and the two differ in size
// only. A prefix would hold a handful of section 2 pages, and those have fewer addresses.
QByteArray SampledManualHtml(qsizetype size)
{
    const QList<QByteArray> lines = ManualHtml().split('\n');
    constexpr int kStride = 100;
    QByteArray html;
    for (int offset = 0; offset < kStride && html.size() < size; ++offset) {
        for (qsizetype k = offset; k < lines.size() && html.size() < size; k += kStride)
            html += lines[k] + '\n';
    }
    html.truncate(size);
    return html;
}

// 1 MiB holding exactly kDenseAts "@": address snippets of several kinds between slices of
// manual-page HTML whose own "@" are turned into dots.
QByteArray DenseAtPage()
{
    QByteArray filler = ManualHtml().left(2 * kMiB);
    filler.replace('@', '.');
    QByteArrayList snippets;
    qsizetype snippetBytes = 0;
    for (int k = 0; k < kDenseAts; ++k) {
        const QByteArray n = QByteArray::number(k);
        const QByteArray host = QByteArray::number(k % 97);
        QByteArray snippet;
        switch (k % 4) {
        case 0: snippet = " user" + n + "@host" + host + ".example.org "; break;
        case 1: snippet = "<a href=\"mailto:First.Last" + n + "@Example.COM\">"; break;
        case 2: snippet = " joe" + n + "<b>@</b>x" + host + ".net. "; break;
        default: snippet = " name+tag" + host + "@lists.example.io, "; break;
        }
        snippetBytes += snippet.size();
        snippets.append(snippet);
    }
    const qsizetype gap = (kMiB - snippetBytes) / kDenseAts;
    QByteArray page;
    page.reserve(kMiB);
    qsizetype from = 0;
    for (const QByteArray &snippet : snippets) {
        page += filler.mid(from, gap) + snippet;
        from += gap;
    }
    page += filler.mid(from, kMiB - page.size());
    return page;
}

const QByteArray &Page(int which)
{
    static const QByteArray pages[] = {SampledManualHtml(100 * kKiB), ManualHtml(), DenseAtPage()};
    return pages[which];
}

enum PageKind { kHtml100K, kHtml10M, kAtDense1M };

void ReportBytes(benchmark::State &state, const QByteArray &page)
{
    state.SetBytesProcessed(state.iterations() * page.size());
}

void BM_ExtractEmails(benchmark::State &state)
{
    const QByteArray &page = Page(static_cast<int>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(PageText::ExtractEmails(page));
    ReportBytes(state, page);
    state.counters["addresses"] = static_cast<double>(PageText::ExtractEmails(page).size());
}

// The thorough scan on the same pages: entities, mail links and written-out forms decoded, tags
// read, every domain checked against the Public Suffix List.
void BM_ThoroughEmails(benchmark::State &state)
{
    const QByteArray &page = Page(static_cast<int>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(AddressScan::ExtractEmails(page));
    ReportBytes(state, page);
    state.counters["addresses"] = static_cast<double>(AddressScan::ExtractEmails(page).size());
}

void BM_ExtractEmailsReference(benchmark::State &state)
{
    const QByteArray &page = Page(static_cast<int>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(PageTextReference::ExtractEmails(page));
    ReportBytes(state, page);
}

void BM_ExtractLinks(benchmark::State &state)
{
    const QByteArray &page = Page(static_cast<int>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(PageText::ExtractLinks(kBase, page, false, true));
    ReportBytes(state, page);
    state.counters["links"] = static_cast<double>(PageText::ExtractLinks(kBase, page, false, true).size());
}

void BM_ExtractLinksReference(benchmark::State &state)
{
    const QByteArray &page = Page(static_cast<int>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(PageTextReference::ExtractLinks(kBase, page, false, true));
    ReportBytes(state, page);
}

// 100 KiB pages as a crawler meets them: a different one each time, not still in cache from the
// last iteration. Each iteration takes the next 100 KiB slice of the large page.
void BM_ExtractEmailsFreshSlices(benchmark::State &state)
{
    const QByteArray &page = Page(kHtml10M);
    constexpr qsizetype kSlice = 100 * kKiB;
    qsizetype offset = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(PageText::ExtractEmails(QByteArrayView(page).sliced(offset, kSlice)));
        offset = offset + 2 * kSlice <= page.size() ? offset + kSlice : 0;
    }
    state.SetBytesProcessed(state.iterations() * kSlice);
}

// The least any address scan must do: find every "@". It shows what the memory hierarchy alone
// makes of the page sizes (the small page stays in cache between iterations, the large one not).
void BM_FindEveryAt(benchmark::State &state)
{
    const QByteArray &page = Page(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        const char *p = page.constData();
        const char *const end = p + page.size();
        qsizetype count = 0;
        while (p < end) {
            p = static_cast<const char *>(std::memchr(p, '@', static_cast<size_t>(end - p)));
            if (!p)
                break;
            ++p;
            ++count;
        }
        benchmark::DoNotOptimize(count);
    }
    ReportBytes(state, page);
}

BENCHMARK(BM_FindEveryAt)->Arg(kHtml100K)->Arg(kHtml10M)->Arg(kAtDense1M)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ExtractEmails)->Arg(kHtml100K)->Arg(kHtml10M)->Arg(kAtDense1M)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ThoroughEmails)->Arg(kHtml100K)->Arg(kHtml10M)->Arg(kAtDense1M)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ExtractEmailsFreshSlices)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ExtractEmailsReference)->Arg(kHtml100K)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ExtractEmailsReference)->Arg(kAtDense1M)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExtractLinks)->Arg(kHtml100K)->Arg(kHtml10M)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ExtractLinksReference)->Arg(kHtml100K)->Unit(benchmark::kMicrosecond);

void DumpPages(const char *dir)
{
    const char *names[] = {"html-100k.html", "html-10m.html", "at-dense-1m.html"};
    for (int which = 0; which < 3; ++which) {
        QFile file(QDir(QString::fromUtf8(dir)).filePath(QString::fromUtf8(names[which])));
        if (!file.open(QIODevice::WriteOnly) || file.write(Page(which)) != Page(which).size()) {
            std::fprintf(stderr, "cannot write %s in %s\n", names[which], dir);
            std::exit(1);
        }
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (const char *dir = std::getenv("TRAWLEX_BENCH_DUMP"))
        DumpPages(dir);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
