#include "convert_options.h"

#include "core/methods.h"
#include "core/number_format.h"

#include <limits>

namespace kv {

namespace {

[[noreturn]] void fail(const QString& message)
{
    throw ConvertUsageError(message);
}

// A number of --correction: the separator in effect, or a point.
std::optional<double> parseNumber(const QString& text, QChar separator)
{
    if (text.trimmed().isEmpty())
        return std::nullopt;
    try {
        return parseFloat(text, separator);
    } catch (const ConvertError&) {
    }
    if (separator != u'.') {
        try {
            return parseFloat(text, u'.');
        } catch (const ConvertError&) {
        }
    }
    return std::nullopt;
}

std::optional<std::int64_t> parseInteger(QStringView text)
{
    bool ok = false;
    const qlonglong v = text.toLongLong(&ok, 10);
    if (!ok)
        return std::nullopt;
    return std::int64_t(v);
}

std::pair<int, std::int32_t> parseActive(const QString& text)
{
    const QString what = QStringLiteral("--active needs M=K with a method M from 1 to 4 and a "
                                        "32-bit position K, not '%1'").arg(text);
    const qsizetype eq = text.indexOf(u'=');
    if (eq < 0)
        fail(what);
    const auto method = parseInteger(QStringView(text).left(eq));
    const auto position = parseInteger(QStringView(text).mid(eq + 1));
    if (!method || !isMethod(int(*method)) || !position
        || *position < std::numeric_limits<std::int32_t>::min()
        || *position > std::numeric_limits<std::int32_t>::max())
        fail(what);
    return {int(*method), std::int32_t(*position)};
}

QChar parseSeparator(const QString& text)
{
    if (text.size() != 1 || text[0].isDigit() || text[0].unicode() < 0x20
        || text[0].unicode() == 0x7F || text[0].isSurrogate())
        fail(QStringLiteral("--separator needs one character that is not a digit, not '%1'")
                 .arg(text));
    return text[0];
}

bool looksNegative(const QString& arg)
{
    return arg.size() > 1 && arg[0] == u'-' && arg[1].isDigit();
}

}  // namespace

std::optional<std::uint16_t> parseCount(QStringView text)
{
    const QStringView t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    unsigned value = 0;
    for (const QChar c : t) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + unsigned(c.unicode() - u'0');
        if (value > 65535)
            return std::nullopt;
    }
    return std::uint16_t(value);
}

SystemCorrection parseCorrection(const QString& text, QChar separator)
{
    const QString what = QStringLiteral("--correction needs two numbers A,B (or A;B), not '%1'")
                             .arg(text);
    auto pair = [&](const QString& a, const QString& b) -> std::optional<SystemCorrection> {
        const auto va = parseNumber(a, separator);
        const auto vb = parseNumber(b, separator);
        if (!va || !vb)
            return std::nullopt;
        return SystemCorrection{*va, *vb};
    };

    // Where the splitting character may also be the decimal separator, "1,05,-3" still
    // has one reading, but "1,5,2" has two (1,5 and 2, or 1 and 5,2) and is refused
    // rather than guessed. With ';' as the separator the same holds for ';' and ','.
    auto splitAtEach = [&](QStringView splitters, const QString& ambiguous) -> SystemCorrection {
        std::optional<SystemCorrection> found;
        int readings = 0;
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (!splitters.contains(text[i]))
                continue;
            if (const auto c = pair(text.left(i), text.mid(i + 1))) {
                found = c;
                ++readings;
            }
        }
        if (readings == 1)
            return *found;
        if (readings > 1)
            fail(QStringLiteral("--correction '%1' can be read more than one way; write %2")
                     .arg(text, ambiguous));
        fail(what);
    };

    if (separator == u';')
        return splitAtEach(u";,", QStringLiteral("A,B"));
    const qsizetype semicolon = text.indexOf(u';');
    if (semicolon >= 0) {
        if (const auto c = pair(text.left(semicolon), text.mid(semicolon + 1)))
            return *c;
        fail(what);
    }
    return splitAtEach(u",", QStringLiteral("A;B"));
}

ConvertOptions parseConvertArguments(const QStringList& args, QChar localeSeparator)
{
    ConvertOptions options;
    std::optional<QChar> separator;
    std::optional<QString> correction;

    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (!arg.startsWith(u'-') || looksNegative(arg)) {
            const auto count = parseCount(arg);
            if (!count)
                fail(QStringLiteral("'%1' is not a period count (a whole number from 0 to 65535)")
                         .arg(echoForMessage(arg)));
            options.counts.push_back(*count);
            continue;
        }

        QString name = arg;
        std::optional<QString> inlineValue;
        if (const qsizetype eq = arg.indexOf(u'='); arg.startsWith(u"--") && eq > 2) {
            name = arg.left(eq);
            inlineValue = arg.mid(eq + 1);
        }
        auto value = [&]() -> QString {
            if (inlineValue)
                return *inlineValue;
            if (i + 1 >= args.size())
                fail(QStringLiteral("%1 needs a value").arg(name));
            return args[++i];
        };
        auto noValue = [&] {
            if (inlineValue)
                fail(QStringLiteral("%1 takes no value").arg(name));
        };

        if (name == u"--help" || name == u"-h") {
            noValue();
            options.help = true;
        } else if (name == u"--diesel") {
            noValue();
            options.diesel = true;
        } else if (name == u"--separator") {
            separator = parseSeparator(value());
        } else if (name == u"--correction") {
            correction = value();
        } else if (name == u"--calibrations") {
            options.calibrationsPath = value();
            if (options.calibrationsPath.isEmpty())
                fail(QStringLiteral("--calibrations needs a file name"));
        } else if (name == u"--active") {
            options.active.push_back(parseActive(value()));
        } else {
            fail(QStringLiteral("unknown option '%1'").arg(arg));
        }
    }

    options.separator = separator.value_or(localeSeparator);
    // Read last: its numbers are written with the separator in effect, which a later
    // --separator may still set.
    if (correction)
        options.correction = parseCorrection(*correction, options.separator);
    return options;
}

QString echoForMessage(QStringView text)
{
    QString out;
    const QStringView shown = text.left(kMessageEchoLength);
    for (const QChar c : shown) {
        if (c.category() == QChar::Other_Control)
            out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QChar(u'0'));
        else
            out += c;
    }
    if (text.size() > shown.size())
        out += QStringLiteral("...");
    return out;
}

QString usageText()
{
    return QStringLiteral(
        "Usage: kv4410pc-convert [--diesel] [--separator C] [--correction A,B]\n"
        "                        [--calibrations FILE] [--active M=K]... [COUNT...]\n"
        "\n"
        "Turns period counts of the КВ-4410 into the texts the program shows: status\n"
        "panels 1 and 3 and the research, motor, AKI and cetane result labels.\n"
        "\n"
        "COUNT                a period count, a whole number from 0 to 65535. Without\n"
        "                     counts, one count per line is read from standard input;\n"
        "                     blank lines are skipped.\n"
        "--diesel             diesel fuel (cetane number); petrol by default\n"
        "--separator C        decimal separator of the output; by default the locale's\n"
        "                     (LC_ALL, LC_NUMERIC, LANG)\n"
        "--correction A,B     system correction research * A + B, ignored when A is 0;\n"
        "                     default 1,0. A and B are written with the separator in\n"
        "                     effect or with a point. They are split at a ';' if there is\n"
        "                     one, else at the one comma that leaves two numbers: with a\n"
        "                     comma separator 1,05,-3 is 1.05 and -3, while 1,5,2 could\n"
        "                     be read two ways and is refused: write 1,5;2. With ';' as\n"
        "                     separator the same holds for ';': write 1;5,2.\n"
        "--calibrations FILE  the calibrations from FILE (a kor.tab)\n"
        "--active M=K         switch on the calibration at position K (from 1) of FILE\n"
        "                     for method M (1 research, 2 motor, 3 AKI, 4 cetane), as the\n"
        "                     program holds it: K = 0, negative or beyond the list means\n"
        "                     none. Repeatable; the last one for a method counts.\n"
        "--help               this text\n"
        "\n"
        "Output, UTF-8, one line per count, 11 TAB-separated columns: the count, panel 1,\n"
        "panel 3, then for research, motor, AKI and cetane the label's text and its colour\n"
        "as #RRGGBB, or '-' where the reading leaves the label's colour as it was\n"
        "(\"0\" outside the valid range, \"*\" not computed in this fuel mode). Control\n"
        "characters of a calibration name are written as blanks.\n"
        "\n"
        "Exit status: 0 done; 1 the calibrations file can't be read or the output can't\n"
        "be written; 2 a bad option or count. Counts on the command line are all checked\n"
        "before anything is written; on standard input each line is checked before its\n"
        "output line, so the lines before a bad one have been written.\n");
}

}  // namespace kv
