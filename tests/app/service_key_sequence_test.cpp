#include "app/service_key_sequence.h"

#include <gtest/gtest.h>

#include <QString>

namespace kv {
namespace {

// Types the keys and returns the count after each one.
std::vector<int> counts(const QString& keys)
{
    ServiceKeySequence sequence(ServiceKeys{u'4', u'1'});
    std::vector<int> result;
    for (const QChar key : keys) {
        sequence.press(key);
        result.push_back(sequence.count());
    }
    return result;
}

TEST(ServiceKeySequence, OpeningKeyCountsWhateverTheCount)
{
    EXPECT_EQ(counts(QStringLiteral("4444")), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(counts(QStringLiteral("4114")), (std::vector<int>{1, 2, 3, 4}));
}

TEST(ServiceKeySequence, FollowUpKeyCountsOnlyAfterOneOrTwo)
{
    EXPECT_EQ(counts(QStringLiteral("1")), (std::vector<int>{0}));
    EXPECT_EQ(counts(QStringLiteral("411")), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(counts(QStringLiteral("441")), (std::vector<int>{1, 2, 3}));
    // A follow-up at 3 is "any other key" for the rules: the count starts over.
    EXPECT_EQ(counts(QStringLiteral("4111")), (std::vector<int>{1, 2, 3, 0}));
}

TEST(ServiceKeySequence, AnyOtherKeyStartsOver)
{
    EXPECT_EQ(counts(QStringLiteral("4x11")), (std::vector<int>{1, 0, 0, 0}));
    EXPECT_EQ(counts(QStringLiteral("44 4")), (std::vector<int>{1, 2, 0, 1}));
}

TEST(ServiceKeySequence, PressReportsExactlyTheRevealCount)
{
    ServiceKeySequence sequence(ServiceKeys{u'4', u'1'});
    EXPECT_FALSE(sequence.press(u'4'));
    EXPECT_FALSE(sequence.press(u'1'));
    EXPECT_TRUE(sequence.press(u'1'));
    EXPECT_FALSE(sequence.press(u'4'));  // 4: past the reveal count
}

TEST(ServiceKeySequence, ProgramKeysAreTwoDifferentDigits)
{
    EXPECT_TRUE(QChar(kServiceKeys.opening).isDigit());
    EXPECT_TRUE(QChar(kServiceKeys.followUp).isDigit());
    EXPECT_NE(kServiceKeys.opening, kServiceKeys.followUp);
}

}  // namespace
}  // namespace kv
