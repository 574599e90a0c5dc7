#include "http/HttpDate.h"

#include <QDate>
#include <QDateTime>

#include <array>
#include <limits>

namespace quillo {

namespace {

bool isBlank(char c)
{
    return static_cast<unsigned char>(c) <= ' ';
}

QByteArray trimmedLeft(const QByteArray& text)
{
    qsizetype i = 0;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    return text.mid(i);
}

QByteArray trimmedBoth(const QByteArray& text)
{
    qsizetype end = text.size();
    while (end > 0 && isBlank(text[end - 1]))
        --end;
    return trimmedLeft(text.left(end));
}

// Leading blanks, an optional sign, decimal digits and nothing else, within 32 bits.
std::optional<int> decimal(const QByteArray& token)
{
    qsizetype i = 0;
    while (i < token.size() && token[i] == ' ')
        ++i;
    bool negative = false;
    if (i < token.size() && (token[i] == '+' || token[i] == '-'))
        negative = token[i++] == '-';
    if (i == token.size())
        return std::nullopt;
    long long value = 0;
    for (; i < token.size(); ++i) {
        const char c = token[i];
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > std::numeric_limits<int>::max() + 1LL)
            return std::nullopt;
    }
    value = negative ? -value : value;
    if (value > std::numeric_limits<int>::max())
        return std::nullopt;
    return int(value);
}

int decimalOr(const QByteArray& token, int fallback)
{
    return decimal(token).value_or(fallback);
}

// The part before the separator, removed from the text together with the separator; the whole
// text (leaving it empty) when the separator does not occur.
QByteArray takeUpTo(QByteArray& text, char separator)
{
    const qsizetype at = text.indexOf(separator);
    QByteArray token;
    if (at < 0) {
        token = text;
        text.clear();
    } else {
        token = text.left(at);
        text.remove(0, at + 1);
    }
    return token;
}

QByteArray peekUpTo(const QByteArray& text, char separator)
{
    const qsizetype at = text.indexOf(separator);
    return at < 0 ? text : text.left(at);
}

constexpr std::array<const char*, 12> kMonths = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                                 "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
constexpr std::array<const char*, 7> kWeekdays = {"SUN", "MON", "TUE", "WED", "THU", "FRI", "SAT"};

int monthNumber(const QByteArray& token)
{
    const QByteArray upper = token.toUpper();
    for (size_t i = 0; i < kMonths.size(); ++i)
        if (upper == kMonths[i])
            return int(i) + 1;
    return 0;
}

bool startsWithWeekday(const QByteArray& text)
{
    const QByteArray head = text.left(3).toUpper();
    for (const char* name : kWeekdays)
        if (head == name)
            return true;
    return false;
}

char fieldSeparator(const QByteArray& text)
{
    const qsizetype dash = text.indexOf('-');
    if (dash <= 0)
        return ' ';
    const qsizetype space = text.indexOf(' ');
    // No blank at all ("06-Nov-94") still reads as a dashed date.
    return space < 0 || dash < space ? '-' : ' ';
}

// Steps that may fail on an impossible date or time; `rest` is what is left of the text either way.
std::optional<TDateTime> parseDateAndTime(QByteArray& rest)
{
    if (startsWithWeekday(rest)) {
        takeUpTo(rest, ' ');
        rest = trimmedLeft(rest);
    }
    const char sep = fieldSeparator(rest);
    int day = 1;
    int month = 0;
    auto readDay = [&] {
        day = decimalOr(takeUpTo(rest, sep), 1);
        rest = trimmedLeft(rest);
    };
    auto readMonth = [&] {
        month = monthNumber(takeUpTo(rest, sep));
        rest = trimmedLeft(rest);
    };
    if (monthNumber(peekUpTo(rest, sep)) != 0) {
        readMonth();
        readDay();
    } else {
        readDay();
        readMonth();
    }
    const QByteArray yearToken = takeUpTo(rest, ' ');
    quint16 year = quint16(decimalOr(yearToken, 1900));
    if (year == 1900) {
        // asctime form: the year comes last, after the time.
        year = quint16(decimalOr(rest, 1900));
        rest = yearToken;
    }
    if (year < 80)
        year += 2000;
    else if (year <= 99)
        year += 1900;
    std::optional<TDateTime> result = EncodeDate(year, month, day);
    if (!result)
        return std::nullopt;
    if (rest.contains(':')) {
        QByteArray time = takeUpTo(rest, ' ');
        const int hours = decimalOr(takeUpTo(time, ':'), 0);
        const int minutes = decimalOr(takeUpTo(time, ':'), 0);
        const int seconds = decimalOr(takeUpTo(time, ' '), 0);
        const std::optional<TDateTime> timeOfDay = EncodeTime(hours, minutes, seconds);
        if (!timeOfDay)
            return std::nullopt;
        *result += *timeOfDay;
    }
    rest = trimmedLeft(rest);
    return result;
}

} // namespace

std::optional<TDateTime> EncodeDate(int year, int month, int day)
{
    if (year < 1 || year > 9999)
        return std::nullopt;
    const QDate date(year, month, day);
    if (!date.isValid())
        return std::nullopt;
    return TDateTime(QDate(1899, 12, 30).daysTo(date));
}

std::optional<TDateTime> EncodeTime(int hours, int minutes, int seconds)
{
    if (hours < 0 || hours >= 24 || minutes < 0 || minutes >= 60 || seconds < 0 || seconds >= 60)
        return std::nullopt;
    return (hours * 3600 + minutes * 60 + seconds) / 86400.0;
}

TDateTime ParseZoneOffset(const QByteArray& text)
{
    const QByteArray s = trimmedBoth(text).left(5);
    if (s.isEmpty() || (s[0] != '+' && s[0] != '-'))
        return 0;
    const std::optional<int> hours = decimal(s.mid(1, 2));
    const std::optional<int> minutes = decimal(s.mid(3, 2));
    if (!hours || !minutes)
        return 0;
    const std::optional<TDateTime> span = EncodeTime(*hours, *minutes, 0);
    if (!span)
        return 0;
    return s[0] == '-' ? -*span : *span;
}

TDateTime TimeZoneBias()
{
    const int localMinusUtcSeconds = QDateTime::currentDateTime().offsetFromUtc();
    return -localMinusUtcSeconds / 60 / 1440.0;
}

TDateTime ParseHttpDate(const QByteArray& text)
{
    QByteArray rest = trimmedBoth(text);
    if (rest.isEmpty())
        return 0;
    const TDateTime stated = parseDateAndTime(rest).value_or(0);
    const TDateTime offset = rest.size() > 4 ? ParseZoneOffset(rest) : 0;
    return stated - offset - TimeZoneBias();
}

} // namespace quillo
