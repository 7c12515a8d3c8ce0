#pragma once
// A main window over a scratch program directory, reporting into a list.

#include "app/main_window.h"
#include "device/hid/fake_hid_platform.h"
#include "recording_reporter.h"

#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace kv::test {

class FormTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        QApplication::setQuitOnLastWindowClosed(false);
    }

    QString path(const QString& name) const { return QDir(dir.path()).filePath(name); }

    void writeEmptyDataFiles()
    {
        for (const char* name : {"kor.tab", "data.tab", "data2.tab"})
            writeFile(path(QString::fromLatin1(name)), {});
    }

    TForm1& create()
    {
        form = std::make_unique<TForm1>(dir.path(), platform, &errors);
        return *form;
    }

    // A fresh start with the three files present and empty.
    TForm1& createClean()
    {
        writeEmptyDataFiles();
        create();
        EXPECT_TRUE(errors.messages.isEmpty()) << errors.messages.join(u'\n').toStdString();
        return *form;
    }

    QTemporaryDir dir;
    FakeHidPlatform platform;
    RecordingReporter errors;
    std::unique_ptr<TForm1> form;
};

}  // namespace kv::test
