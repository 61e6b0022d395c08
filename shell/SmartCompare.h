#pragma once
// How the list view orders two cell texts: as dates or times when both read as such in the
// user's short formats, else as numbers when both read as numbers, else as locale-collated,
// case-sensitive text. Qt Core only, so it can be tested and reused without widgets.

#include <QCollator>
#include <QLocale>
#include <QString>

#include <optional>

class SmartComparer final
{
public:
    // A text read once, so a sort converts each cell once rather than once per comparison.
    struct Key
    {
        QString text;
        std::optional<qint64> when;   // milliseconds from the platform's day zero, 1899-12-30
        std::optional<double> number;
    };

    // `centuryBase`: the first year a two-digit year can stand for; by default fifty years
    // before now, so "24" is 2024 and "80" is 1980 in the 2020s.
    explicit SmartComparer(const QLocale &locale = QLocale(), std::optional<int> centuryBase = std::nullopt);

    Key key(const QString &text) const;

    // Negative, zero or positive as a sorts before, with or after b.
    int compare(const Key &a, const Key &b) const;
    int compare(const QString &a, const QString &b) const { return compare(key(a), key(b)); }
    int compareText(const QString &a, const QString &b) const;

    // nullopt when the text is no date or time in the short formats, or names none that exists.
    std::optional<qint64> dateTimeValue(const QString &text) const;
    // nullopt when the text, up to its first blank, is no finite number.
    std::optional<double> numberValue(const QString &text) const;

private:
    std::optional<qint64> dateValue(QStringView text) const;
    std::optional<qint64> timeValue(QStringView text) const;

    QLocale locale_;
    QCollator collator_;
    QChar dateSeparator_;
    QChar timeSeparator_;
    char fieldOrder_[3] = {'M', 'd', 'y'};
    int centuryBase_ = 1950;
};
