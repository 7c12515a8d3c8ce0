// The masked number field: what is typed, what gets in and how the program reads it.

#include "ui/mask_edit.h"

#include <QLocale>
#include <QTest>

#include <gtest/gtest.h>

namespace kv {
namespace {

TEST(MaskEdit, ReadsAsTheProgramReadsIt)
{
    MaskEdit field;
    MaskEdit* edit = &field;
    {
        EXPECT_EQ(edit->maskText(), QStringLiteral("  , "));
        EXPECT_EQ(edit->displayText(), QStringLiteral("__,_"));
        edit->setFocus();
        edit->setCursorPosition(0);
        QTest::keyClicks(edit, QStringLiteral("925"));
        EXPECT_EQ(edit->maskText(), QStringLiteral("92,5"));
        // Letters and a fourth digit don't get in.
        edit->setCursorPosition(0);
        QTest::keyClicks(edit, QStringLiteral("a1234"));
        EXPECT_EQ(edit->maskText().size(), 4);
        EXPECT_EQ(edit->maskText()[2], u',');
        edit->setMaskText(QStringLiteral(" 5,5"));
        EXPECT_EQ(edit->maskText(), QStringLiteral(" 5,5"));
        edit->clear();
        EXPECT_EQ(edit->maskText(), QStringLiteral("  , "));
    }
}

// Under a point locale the separator is a point, so what is typed reads as a number.
TEST(MaskEdit, TakesTheLocaleSeparator)
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    {
        MaskEdit edit;
        EXPECT_EQ(edit.displayText(), QStringLiteral("__._"));
        EXPECT_EQ(edit.maskText(), QStringLiteral("  . "));
        edit.setMaskText(QStringLiteral("82.5"));
        EXPECT_EQ(edit.maskText(), QStringLiteral("82.5"));
        edit.setMaskText(QStringLiteral("7"));
        EXPECT_EQ(edit.maskText(), QStringLiteral(" 7. "));
    }
    QLocale::setDefault(saved);
}

// A click past the text puts the caret at the first empty place, where a digit gets in;
// a click on the text and a full field keep the caret where the click put it. A lone 0
// as the whole part is a placeholder: the first digit replaces it wherever the caret is.
TEST(MaskEdit, AClickPastTheTextGoesToTheFirstEmptyPlace)
{
    const struct {
        const char* text;
        bool pastTheText;
        int caret;
        const char* typed;
        const char* shown;
    } cases[] = {
        {"0", true, 1, "7", "7_,_"},
        {"0", true, 1, "820", "82,0"},
        {"0", true, 1, "96,0", "96,0"},
        {"0", false, 0, "820", "82,0"},
        {"0,5", true, 1, "7", "7_,5"},
        {"", true, 0, "7", "7_,_"},
        {"92", true, 3, "7", "92,7"},
        {"92,5", true, 4, "7", "92,5"},
        {"20", true, 3, "5", "20,5"},
    };
    MaskEdit edit;
    edit.resize(120, 24);
    edit.show();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        edit.setMaskText(QString::fromLatin1(c.text));
        edit.setCursorPosition(2);
        const QPoint at(c.pastTheText ? edit.width() - 4 : 3, edit.height() / 2);
        QTest::mouseClick(&edit, Qt::LeftButton, Qt::NoModifier, at);
        EXPECT_EQ(edit.cursorPosition(), c.caret);
        QTest::keyClicks(&edit, QString::fromLatin1(c.typed));
        EXPECT_EQ(edit.displayText(), QString::fromLatin1(c.shown));
    }
}

TEST(MaskEditText, UnfilledPlacesAreBlanksAndWholeDigitsStandRight)
{
    const QString comma = QStringLiteral(",");
    EXPECT_EQ(rightAlignedMaskText(QStringLiteral("__,_"), comma), QStringLiteral("  , "));
    EXPECT_EQ(rightAlignedMaskText(QStringLiteral("92,5"), comma), QStringLiteral("92,5"));
    EXPECT_EQ(rightAlignedMaskText(QStringLiteral("5_,5"), comma), QStringLiteral(" 5,5"));
    EXPECT_EQ(rightAlignedMaskText(QStringLiteral("_5,_"), comma), QStringLiteral(" 5, "));
    EXPECT_EQ(rightAlignedMaskText(QStringLiteral("95,_"), comma), QStringLiteral("95, "));
}

}  // namespace
}  // namespace kv
