#include "shell/SmartCompare.h"

#include <QDate>

#include <algorithm>
#include <cmath>

namespace {

constexpr qint64 msecsPerDay = 24 * 60 * 60 * 1000;

// The platform's date values count days from 1899-12-30, so a time alone lies on that day and
// sorts before every later date.
const qint64 dayZero = QDate(1899, 12, 30).toJulianDay();

template <typename T>
int threeWay(T a, T b)
{
    return a < b ? -1 : (b < a ? 1 : 0);
}

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

// 1 to `maxDigits` ASCII digits and nothing else.
std::optional<int> smallNumber(QStringView text, qsizetype maxDigits)
{
    if (text.isEmpty() || text.size() > maxDigits)
        return std::nullopt;
    int value = 0;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        value = value * 10 + (c.unicode() - '0');
    }
    return value;
}

// The separator between the fields of a short format: its first character that is neither a
// field letter, a blank nor quoted text, after the first field.
QChar formatSeparator(const QString &format, QChar fallback)
{
    bool quoted = false;
    bool fieldSeen = false;
    for (const QChar c : format) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        else if (quoted)
            continue;
        else if (c.isLetter())
            fieldSeen = true;
        else if (fieldSeen && !c.isSpace())
            return c;
    }
    return fallback;
}

std::optional<double> cNumber(const QString &text)
{
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double value = c.toDouble(text, &ok);
    // "inf" and "nan" convert, but would leave the order undefined.
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

} // namespace

SmartComparer::SmartComparer(const QLocale &locale, std::optional<int> centuryBase)
    : locale_(locale), collator_(locale)
{
    collator_.setCaseSensitivity(Qt::CaseSensitive);
    const QString dateFormat = locale.dateFormat(QLocale::ShortFormat);
    dateSeparator_ = formatSeparator(dateFormat, QLatin1Char('/'));
    timeSeparator_ = formatSeparator(locale.timeFormat(QLocale::ShortFormat), QLatin1Char(':'));

    int seen = 0;
    for (const QChar c : dateFormat) {
        const char field = c.toLatin1();
        if ((field == 'd' || field == 'M' || field == 'y') && seen < 3
            && std::find(fieldOrder_, fieldOrder_ + seen, field) == fieldOrder_ + seen)
            fieldOrder_[seen++] = field;
    }
    if (seen != 3) {
        fieldOrder_[0] = 'M';
        fieldOrder_[1] = 'd';
        fieldOrder_[2] = 'y';
    }
    centuryBase_ = centuryBase.value_or(QDate::currentDate().year() - 50);
}

SmartComparer::Key SmartComparer::key(const QString &text) const
{
    return Key{text, dateTimeValue(text), numberValue(text)};
}

int SmartComparer::compare(const Key &a, const Key &b) const
{
    if (a.when && b.when)
        return threeWay(*a.when, *b.when);
    if (a.number && b.number)
        return threeWay(*a.number, *b.number);
    return compareText(a.text, b.text);
}

int SmartComparer::compareText(const QString &a, const QString &b) const
{
    return threeWay(collator_.compare(a, b), 0);
}

// A text holding the date separator twice is a date, one holding the time separator a time,
// one holding both a date, a blank and a time. A text that has the look but names no real day
// or hour ("13/45/2020", an address "10.0.0.1" where "." separates dates) is no date: it goes on
// to be read as a number or as text, rather than comparing equal to everything.
std::optional<qint64> SmartComparer::dateTimeValue(const QString &text) const
{
    const QString trimmed = text.trimmed();
    const bool hasDate = trimmed.count(dateSeparator_) >= 2;
    const bool hasTime = trimmed.contains(timeSeparator_);
    if (hasDate) {
        const qsizetype blank = trimmed.indexOf(QLatin1Char(' '));
        if (hasTime && blank > 0) {
            const std::optional<qint64> date = dateValue(QStringView(trimmed).left(blank));
            const std::optional<qint64> time = timeValue(QStringView(trimmed).mid(blank + 1).trimmed());
            if (date && time)
                return *date + *time;
        }
        if (const std::optional<qint64> date = dateValue(trimmed))
            return date;
    }
    if (hasTime)
        return timeValue(trimmed);
    return std::nullopt;
}

std::optional<qint64> SmartComparer::dateValue(QStringView text) const
{
    QList<QStringView> parts = text.split(dateSeparator_);
    // Some short formats end with the separator ("yy. M. d.").
    if (parts.size() == 4 && parts.last().trimmed().isEmpty())
        parts.removeLast();
    if (parts.size() != 3)
        return std::nullopt;

    int day = 0;
    int month = 0;
    int year = 0;
    for (int i = 0; i < 3; ++i) {
        const QStringView part = parts.at(i).trimmed();
        const std::optional<int> value = smallNumber(part, fieldOrder_[i] == 'y' ? 4 : 2);
        if (!value)
            return std::nullopt;
        if (fieldOrder_[i] == 'd')
            day = *value;
        else if (fieldOrder_[i] == 'M')
            month = *value;
        else if (part.size() <= 2) {
            year = centuryBase_ - centuryBase_ % 100 + *value;
            if (year < centuryBase_)
                year += 100;
        } else {
            year = *value;
        }
    }
    const QDate date(year, month, day);
    if (!date.isValid())
        return std::nullopt;
    return (date.toJulianDay() - dayZero) * msecsPerDay;
}

std::optional<qint64> SmartComparer::timeValue(QStringView text) const
{
    // A trailing AM or PM designator, in the locale's words or the English ones.
    int halfDay = -1; // -1 none, 0 AM, 1 PM
    const QString designators[] = {locale_.amText(), locale_.pmText(), QStringLiteral("AM"), QStringLiteral("PM")};
    for (int i = 0; i < 4; ++i) {
        const QString &designator = designators[i];
        if (!designator.isEmpty() && text.endsWith(designator, Qt::CaseInsensitive)) {
            halfDay = i % 2;
            text = text.chopped(designator.size()).trimmed();
            break;
        }
    }

    const QList<QStringView> parts = text.split(timeSeparator_);
    if (parts.size() < 2 || parts.size() > 3)
        return std::nullopt;
    const std::optional<int> hour = smallNumber(parts.at(0), 2);
    const std::optional<int> minute = smallNumber(parts.at(1), 2);
    const std::optional<int> second = parts.size() == 3 ? smallNumber(parts.at(2), 2) : std::optional<int>(0);
    if (!hour || !minute || !second || *minute > 59 || *second > 59)
        return std::nullopt;

    int h = *hour;
    if (halfDay >= 0) {
        if (h < 1 || h > 12)
            return std::nullopt;
        h = h % 12 + (halfDay == 1 ? 12 : 0);
    } else if (h > 23) {
        return std::nullopt;
    }
    return ((h * 60 + *minute) * 60 + *second) * qint64(1000);
}

std::optional<double> SmartComparer::numberValue(const QString &text) const
{
    qsizetype end = 0;
    while (end < text.size() && !isBlank(text.at(end)))
        ++end;
    QString number = text.left(end);
    if (number.isEmpty())
        return std::nullopt;
    if (const std::optional<double> value = cNumber(number))
        return value;
    const QString group = locale_.groupSeparator();
    if (!group.isEmpty())
        number.remove(group);
    const QString decimal = locale_.decimalPoint();
    if (!decimal.isEmpty() && decimal != QLatin1String("."))
        number.replace(decimal, QStringLiteral("."));
    return cNumber(number);
}
