// kv4410pc-convert: period counts to the texts and colours the program shows, for service
// work and for checking the program against instrument logs. See usageText().

#include "convert_line.h"
#include "convert_options.h"

#include "core/file_io.h"
#include "core/number_format.h"
#include "measure/calibration_store.h"
#include "measure/reading_conversion.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <exception>
#include <new>
#include <iostream>
#include <string>

namespace {

constexpr int kExitFile = 1;
constexpr int kExitUsage = 2;

void writeText(std::FILE* stream, const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    std::fwrite(utf8.constData(), 1, std::size_t(utf8.size()), stream);
}

void complain(const QString& message)
{
    writeText(stderr, QStringLiteral("kv4410pc-convert: ") + message + u'\n');
}

class Converter {
public:
    explicit Converter(const kv::ConvertOptions& options) : m_options(options) {}

    kv::CalibrationStore& store() { return m_store; }

    void print(std::uint16_t count) const
    {
        const kv::ReadingDisplay display = kv::computeReadingDisplay(
            count, m_options.diesel, m_options.correction, m_store, m_options.separator);
        writeText(stdout, kv::formatConvertLine(count, display) + u'\n');
    }

private:
    const kv::ConvertOptions& m_options;
    kv::CalibrationStore m_store;
};

// Each line is checked before its output is written.
int convertStandardInput(const Converter& converter)
{
    std::string line;
    long number = 0;
    while (std::getline(std::cin, line)) {
        ++number;
        const QString text = QString::fromUtf8(line.data(), qsizetype(line.size()));
        if (text.trimmed().isEmpty())
            continue;
        const auto count = kv::parseCount(text);
        if (!count) {
            std::fflush(stdout);
            complain(QStringLiteral("line %1: '%2' is not a period count (a whole number from "
                                    "0 to 65535)").arg(number).arg(kv::echoForMessage(text.trimmed())));
            return kExitUsage;
        }
        converter.print(*count);
    }
    return 0;
}

int run(int argc, char** argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);

    kv::ConvertOptions options;
    try {
        options = kv::parseConvertArguments(args, kv::localeDecimalSeparator());
    } catch (const kv::Error& e) {
        complain(e.message());
        complain(QStringLiteral("try --help"));
        return kExitUsage;
    }
    if (options.help) {
        writeText(stdout, kv::usageText());
        return std::fflush(stdout) == 0 ? 0 : kExitFile;
    }

    Converter converter(options);
    try {
        if (!options.calibrationsPath.isEmpty())
            converter.store().setRecords(kv::parseCalibrations(
                kv::readWholeFile(options.calibrationsPath, kv::kMaxCalibrationFileSize)));
    } catch (const kv::Error& e) {
        complain(e.message());
        return kExitFile;
    }
    for (const auto& [method, position] : options.active)
        converter.store().setActiveCalibration(method, position);

    int status = 0;
    if (!options.counts.empty()) {
        for (const std::uint16_t count : options.counts)
            converter.print(count);
    } else {
        status = convertStandardInput(converter);
    }
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        complain(QStringLiteral("can't write the output"));
        return kExitFile;
    }
    return status;
}

}  // namespace

// Nothing escapes as an abort: whatever goes wrong ends with a message and status 1.
int main(int argc, char** argv)
{
    try {
        return run(argc, argv);
    } catch (const kv::Error& e) {
        complain(e.message());
    } catch (const std::bad_alloc&) {
        complain(QStringLiteral("out of memory"));
    } catch (const std::exception& e) {
        complain(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        complain(QStringLiteral("unexpected error"));
    }
    return kExitFile;
}
