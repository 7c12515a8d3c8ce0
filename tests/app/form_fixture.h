#pragma once
// A main window over a scratch program directory, reporting into a list.

#include "app/main_window.h"
#include "app/workspace.h"
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

    // A window over a new workspace on `directory` (the scratch folder by default).
    // reporter nullptr: real message boxes.
    struct Options {
        QString directory;
        bool createsDirectory = false;
        bool reports = true;
    };
    TForm1& create(const Options& options)
    {
        form.reset();
        workspace = std::make_unique<Workspace>(
            options.directory.isEmpty() ? dir.path() : options.directory, options.createsDirectory);
        form = std::make_unique<TForm1>(*workspace, platform, options.reports ? &errors : nullptr);
        return *form;
    }
    TForm1& create() { return create(Options{}); }

    MeasurementState& state() { return workspace->state(); }
    JournalBook& book() { return workspace->book(); }

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
    // Declared before the window, which uses it until it goes.
    std::unique_ptr<Workspace> workspace;
    std::unique_ptr<TForm1> form;
};

}  // namespace kv::test
