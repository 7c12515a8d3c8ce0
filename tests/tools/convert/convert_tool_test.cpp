// kv4410pc-convert run as a process: what a service technician or a script sees.

#include <QProcess>
#include <QProcessEnvironment>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

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
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

const QString kTwoRecords = QStringLiteral(KV_TEST_DATA_DIR "/kor_two_records.tab");

TEST(ConvertTool, CountsFromArguments)
{
    const ToolRun c = convert({QStringLiteral("8000"), QStringLiteral("9600")});
    EXPECT_EQ(c.exitCode, 0);
    EXPECT_EQ(c.err, QString());
    EXPECT_EQ(c.out, QStringLiteral("8000\t8000 = 24000 = 4800\t960\t83.3\t#000000\t78\t#000000\t"
                                    "80.7\t#000000\t*\t-\n"
                                    "9600\t9600 = 20000 = 4000\t800\t0\t-\t93\t#000000\t98\t"
                                    "#000000\t*\t-\n"));
    // The locale's separator; UTF-8 names; a calibrated label in its colour.
    const ToolRun ru = convert({QStringLiteral("--calibrations"), kTwoRecords,
                                QStringLiteral("--active"), QStringLiteral("1=2"),
                                QStringLiteral("8000")}, {}, QStringLiteral("ru_RU.UTF-8"));
    EXPECT_EQ(ru.out, QStringLiteral("8000\t8000 = 24000 = 4800\t960\t84,5 (Эталон-95 )\t#FF0000\t"
                                     "78\t#000000\t80,7\t#000000\t*\t-\n"));
    const ToolRun dieselRun = convert({QStringLiteral("--diesel"), QStringLiteral("--separator"),
                                       QStringLiteral(","), QStringLiteral("--correction"),
                                       QStringLiteral("1,05;-3"), QStringLiteral("7530")});
    EXPECT_EQ(dieselRun.out, QStringLiteral("7530\t7530 = 25498 = 5099,6\t1019,9\t*\t-\t*\t-\t*\t-\t"
                                            "33,5\t#000000\n"));
}

TEST(ConvertTool, StandardInputLineByLine)
{
    const ToolRun c = convert({}, "8000\r\n\n  9600\n7529");
    EXPECT_EQ(c.exitCode, 0);
    ASSERT_EQ(c.lines().size(), 3);
    EXPECT_TRUE(c.lines()[2].startsWith(QStringLiteral("7529\t7529 = ")));

    // The lines before a bad one are out, nothing of it or after it.
    const ToolRun bad = convert({}, "8000\n80O0\n9600\n");
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_EQ(bad.lines().size(), 1);
    EXPECT_TRUE(bad.out.endsWith(u'\n'));
    EXPECT_TRUE(bad.err.contains(QStringLiteral("line 2: '80O0' is not a period count")));
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

    const QString missing = QStringLiteral(KV_TEST_DATA_DIR "/kor_missing.tab");
    const ToolRun noFile = convert({QStringLiteral("--calibrations"), missing, QStringLiteral("8000")});
    EXPECT_EQ(noFile.exitCode, 1);
    EXPECT_EQ(noFile.out, QString());
    EXPECT_TRUE(noFile.err.contains(
        QStringLiteral("Cannot open file \"%1\". No such file or directory").arg(missing)));

    // A long bad line with control bytes: the message shows its start, escaped.
    QByteArray garbage = "8000\n\x1b]0;title\x07";
    garbage += QByteArray(1 << 20, 'z');
    const ToolRun longLine = convert({}, garbage + "\n");
    EXPECT_EQ(longLine.exitCode, 2);
    EXPECT_EQ(longLine.lines().size(), 1);
    EXPECT_TRUE(longLine.err.contains(QStringLiteral("line 2: '\\x1b]0;title\\x07zzz"))) << longLine.err.toStdString();
    EXPECT_LT(longLine.err.size(), 200);

    const ToolRun help = convert({QStringLiteral("--help")});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.startsWith(QStringLiteral("Usage: kv4410pc-convert")));
}

// Files no real kor.tab can be end with a message, not a hang or an abort.
TEST(ConvertTool, HostileCalibrationFilesFailCleanly)
{
    QTemporaryDir dir;
    const QString huge = dir.filePath(QStringLiteral("kor.tab"));
    {
        QFile f(huge);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(17 * 1024 * 1024));  // sparse zeros: 4 million empty entries
    }
    const ToolRun big = convert({QStringLiteral("--calibrations"), huge, QStringLiteral("8000")});
    EXPECT_EQ(big.exitCode, 1);
    EXPECT_EQ(big.out, QString());
    EXPECT_TRUE(big.err.contains(QStringLiteral("Cannot open file \"%1\". File too large").arg(huge)))
        << big.err.toStdString();

    const QString fifo = dir.filePath(QStringLiteral("pipe.tab"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
    const ToolRun pipe = convert({QStringLiteral("--calibrations"), fifo, QStringLiteral("8000")});
    EXPECT_EQ(pipe.exitCode, 1);
    EXPECT_TRUE(pipe.err.contains(QStringLiteral("Not a regular file"))) << pipe.err.toStdString();
}

}  // namespace
