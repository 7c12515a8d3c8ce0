#pragma once
// The command line of kv4410pc-convert, parsed without side effects.

#include "core/errors.h"
#include "measure/reading_conversion.h"

#include <QChar>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace kv {

// A bad option or count: the message is meant for standard error, the exit status is 2.
class ConvertUsageError : public Error {
public:
    explicit ConvertUsageError(const QString& message) : Error(message) {}
};

struct ConvertOptions {
    bool help = false;
    bool diesel = false;
    QChar separator;                    // the one in effect: --separator or the locale's
    SystemCorrection correction;
    QString calibrationsPath;           // empty: no kor.tab
    // (method, position) in command-line order; a later one for a method wins.
    std::vector<std::pair<int, std::int32_t>> active;
    std::vector<std::uint16_t> counts;  // empty: read standard input
};

// args without the program name. Raises ConvertUsageError.
ConvertOptions parseConvertArguments(const QStringList& args, QChar localeSeparator);

// A period count: ASCII digits only, 0 to 65535, blanks around it allowed.
std::optional<std::uint16_t> parseCount(QStringView text);

// The --correction value "A,B" (see usageText for the rule). Raises ConvertUsageError.
SystemCorrection parseCorrection(const QString& text, QChar separator);

QString usageText();

// A piece of user input fit for an error message: its first kMessageEchoLength
// characters, then "...", with control characters written as \xHH so a terminal shows
// them as they are and doesn't act on them.
inline constexpr qsizetype kMessageEchoLength = 40;
QString echoForMessage(QStringView text);

}  // namespace kv
