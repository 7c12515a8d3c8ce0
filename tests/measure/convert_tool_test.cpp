// kv4410pc-convert run as a process: what a service technician or a script sees.

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

#include <gtest/gtest.h>

namespace {

struct ToolRun {
    int exitCode = -1;
    QString out;
    QString err;
    QStringList lines() const { return out.split(u'\n', Qt::SkipEmptyParts); }
};

ToolRun convert(const QStringList& args, const QByteArray& input = {},
            const QString& locale = QStringLiteral("C"))
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("LC_NUMERIC"));
    env.remove(QStringLiteral("LANG"));
    env.insert(QStringLiteral("LC_ALL"), locale);
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(KV_CONVERT_PATH), args);
    EXPECT_TRUE(process.waitForStarted(30000));
    process.write(input);
    process.closeWriteChannel();
    EXPECT_TRUE(process.waitForFinished(60000));
    ToolRun run;
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    run.exitCode = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

QString golden(const char* name)
{
    return QStringLiteral(KV_TEST_DATA_DIR "/") + QString::fromLatin1(name);
}

TEST(ConvertTool, CountsFromArgumentsInTheLocalesSeparator)
{
    const ToolRun c = convert({QStringLiteral("8000"), QStringLiteral("9600"), QStringLiteral("7530")});
    EXPECT_EQ(c.exitCode, 0);
    EXPECT_EQ(c.err, QString());
    ASSERT_EQ(c.lines().size(), 3);
    EXPECT_EQ(c.lines()[0], QStringLiteral("8000\t8000 = 24000 = 4800\t960\t83.3\t#000000\t78\t"
                                           "#000000\t80.7\t#000000\t*\t-"));
    EXPECT_EQ(c.lines()[1], QStringLiteral("9600\t9600 = 20000 = 4000\t800\t0\t-\t93\t#000000\t"
                                           "98\t#000000\t*\t-"));
    for (const QString& line : c.lines())
        EXPECT_EQ(line.split(u'\t').size(), 11) << line.toStdString();

    const ToolRun ru = convert({QStringLiteral("--diesel"), QStringLiteral("7530")}, {},
                           QStringLiteral("ru_RU.UTF-8"));
    EXPECT_EQ(ru.out, QStringLiteral("7530\t7530 = 25498 = 5099,6\t1019,9\t*\t-\t*\t-\t*\t-\t"
                                     "33,5\t#000000\n"));
}

TEST(ConvertTool, CalibrationsCorrectionAndSeparator)
{
    const ToolRun c = convert({QStringLiteral("--calibrations"), golden("kor_two_records.tab"),
                           QStringLiteral("--active"), QStringLiteral("1=2"),
                           QStringLiteral("--separator"), QStringLiteral(","),
                           QStringLiteral("8000")});
    EXPECT_EQ(c.exitCode, 0) << c.err.toStdString();
    EXPECT_EQ(c.out, QStringLiteral("8000\t8000 = 24000 = 4800\t960\t84,5 (Эталон-95 )\t#FF0000\t"
                                    "78\t#000000\t80,7\t#000000\t*\t-\n"));

    // A position beyond the list is none.
    const ToolRun beyond = convert({QStringLiteral("--calibrations"), golden("kor_two_records.tab"),
                                QStringLiteral("--active"), QStringLiteral("1=3"),
                                QStringLiteral("8000")});
    EXPECT_EQ(beyond.lines().value(0).split(u'\t').value(3), QStringLiteral("83.3"));

    const ToolRun corrected = convert({QStringLiteral("--correction"), QStringLiteral("1.05,-3"),
                                   QStringLiteral("8000")});
    EXPECT_EQ(corrected.lines().value(0).split(u'\t').mid(3, 6),
              (QStringList{QStringLiteral("84.5"), QStringLiteral("#000000"), QStringLiteral("78.7"),
                           QStringLiteral("#000000"), QStringLiteral("81.6"),
                           QStringLiteral("#000000")}));
}

TEST(ConvertTool, StandardInputLineByLine)
{
    const ToolRun c = convert({}, "8000\r\n\n  9600\n7529");
    EXPECT_EQ(c.exitCode, 0);
    ASSERT_EQ(c.lines().size(), 3);
    EXPECT_TRUE(c.lines()[1].startsWith(QStringLiteral("9600\t")));
    EXPECT_TRUE(c.lines()[2].startsWith(QStringLiteral("7529\t")));

    // The lines before a bad one are out, nothing of it or after it.
    const ToolRun bad = convert({}, "8000\n80O0\n9600\n");
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_EQ(bad.lines().size(), 1);
    EXPECT_TRUE(bad.out.endsWith(u'\n'));
    EXPECT_TRUE(bad.err.contains(QStringLiteral("line 2: '80O0' is not a period count")))
        << bad.err.toStdString();
}

TEST(ConvertTool, BadInputWritesNoLine)
{
    const ToolRun badCount = convert({QStringLiteral("8000"), QStringLiteral("65536")});
    EXPECT_EQ(badCount.exitCode, 2);
    EXPECT_EQ(badCount.out, QString());
    EXPECT_TRUE(badCount.err.contains(QStringLiteral("'65536' is not a period count")));

    const ToolRun unknown = convert({QStringLiteral("--petrol"), QStringLiteral("8000")});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_EQ(unknown.out, QString());
    EXPECT_TRUE(unknown.err.contains(QStringLiteral("unknown option '--petrol'")));

    const QString missing = golden("kor_missing.tab");
    const ToolRun noFile = convert({QStringLiteral("--calibrations"), missing, QStringLiteral("8000")});
    EXPECT_EQ(noFile.exitCode, 1);
    EXPECT_EQ(noFile.out, QString());
    EXPECT_TRUE(noFile.err.contains(
        QStringLiteral("Cannot open file \"%1\". No such file or directory").arg(missing)))
        << noFile.err.toStdString();
}

TEST(ConvertTool, Help)
{
    const ToolRun c = convert({QStringLiteral("--help")});
    EXPECT_EQ(c.exitCode, 0);
    EXPECT_TRUE(c.out.startsWith(QStringLiteral("Usage: kv4410pc-convert")));
}

}  // namespace
