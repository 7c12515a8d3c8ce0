#include "core/cp1251.h"

#include <gtest/gtest.h>

namespace {

TEST(Cp1251, RussianTextRoundTripsByteForByte)
{
    const QString text = QStringLiteral("Октанометр КВ-4410 ПК №1 ёЁ");
    const QByteArray bytes = kv::toCp1251(text);
    EXPECT_EQ(bytes.size(), text.size());
    EXPECT_EQ(quint8(bytes[0]), 0xCE);  // О
    EXPECT_TRUE(bytes.contains("\xB9" "1"));  // №1
    EXPECT_EQ(kv::fromCp1251(bytes), text);
}

TEST(Cp1251, MissingCharactersBecomeOneQuestionMarkEach)
{
    // A CJK character, a symbol outside the code page and a surrogate pair.
    const QString text = QStringLiteral("a中b☺c") + QString::fromUcs4(U"\U0001F600") + "d";
    EXPECT_EQ(kv::toCp1251(text), QByteArray("a?b?c?d"));
}

TEST(Cp1251, ControlCharactersStayThemselves)
{
    const QString text = QString(QChar(0x1A)) + QStringLiteral("Ж");
    const QByteArray bytes = kv::toCp1251(text);
    ASSERT_EQ(bytes.size(), 2);
    EXPECT_EQ(bytes[0], '\x1A');
    EXPECT_EQ(quint8(bytes[1]), 0xC6);
}

TEST(Cp1251, EveryByteDecodes)
{
    QByteArray all;
    for (int i = 0; i < 256; ++i)
        all.append(char(i));
    EXPECT_EQ(kv::fromCp1251(all).size(), 256);
}

}  // namespace
