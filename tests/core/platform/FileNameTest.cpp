#include "core/platform/FileName.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace {

void ExpectRoundTrip(const QByteArray& bytes)
{
    EXPECT_EQ(EncodeFileName(DecodeFileName(bytes)), bytes) << bytes.toHex().toStdString();
}

} // namespace

TEST(FileName, ValidUtf8DecodesToItsCharacters)
{
    EXPECT_EQ(DecodeFileName(QByteArray("plain.txt")), QStringLiteral("plain.txt"));
    EXPECT_EQ(DecodeFileName(QStringLiteral("日本語ファイル.txt").toUtf8()), QStringLiteral("日本語ファイル.txt"));
    EXPECT_EQ(DecodeFileName(QByteArray("\xF0\x9F\x98\x80")), QString::fromUtf8("\xF0\x9F\x98\x80"));
}

TEST(FileName, InvalidBytesBecomeEscapesAndRoundTrip)
{
    const QByteArray latin1("caf\xE9.txt");
    const QString decoded = DecodeFileName(latin1);
    ASSERT_EQ(decoded.size(), 8);
    EXPECT_EQ(decoded.at(3).unicode(), 0xDCE9);
    ExpectRoundTrip(latin1);
}

TEST(FileName, DecodingIntoAStringInUseLeavesItsCopiesAlone)
{
    // One string, reused as a scan reuses it: longer, shorter, non-ASCII, empty.
    QString name;
    QStringList copies;
    for (const QByteArray& bytes : {QByteArray("a-long-name.txt"), QByteArray("b"), QByteArray("caf\xE9"),
             QStringLiteral("日本語").toUtf8(), QByteArray(), QByteArray("c.txt")}) {
        DecodeFileNameInto(bytes.constData(), bytes.size(), name);
        EXPECT_EQ(name, DecodeFileName(bytes)) << bytes.toHex().toStdString();
        copies << name;
    }
    EXPECT_EQ(copies,
        QStringList({QStringLiteral("a-long-name.txt"), QStringLiteral("b"), DecodeFileName(QByteArray("caf\xE9")),
            QStringLiteral("日本語"), QString(), QStringLiteral("c.txt")}));
}

TEST(FileName, EveryMalformedShapeRoundTrips)
{
    ExpectRoundTrip(QByteArray("\xC0\xAF")); // overlong "/"
    ExpectRoundTrip(QByteArray("\xED\xA0\x80")); // encoded surrogate
    ExpectRoundTrip(QByteArray("\xF4\x90\x80\x80")); // past U+10FFFF
    ExpectRoundTrip(QByteArray("ab\xE3\x81")); // cut short at the end
    ExpectRoundTrip(QByteArray("\x80\xFF\xFE"));
    QByteArray all;
    for (int b = 1; b < 256; ++b)
        all.append(char(b));
    ExpectRoundTrip(all);
}

TEST(FileName, SurrogatesThatNoByteStandsForEncodeAsReplacement)
{
    QString lone;
    lone.append(QChar(char16_t(0xD800)));
    EXPECT_EQ(EncodeFileName(lone), QByteArray("\xEF\xBF\xBD"));
}
