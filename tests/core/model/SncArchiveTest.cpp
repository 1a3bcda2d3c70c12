#include "core/model/SncArchive.h"

#include <QBuffer>
#include <gtest/gtest.h>

namespace {

QByteArray Hex(const char* text)
{
    return QByteArray::fromHex(QByteArray(text));
}

// Collects what a writer writes.
template <typename Write> QByteArray Written(Write write)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    CSncWriter writer(buffer);
    write(writer);
    EXPECT_TRUE(writer.Ok());
    return bytes;
}

struct Reading
{
    explicit Reading(const QByteArray& data) : bytes(data), buffer(&bytes), opened(buffer.open(QIODevice::ReadOnly)) { }
    QByteArray bytes;
    QBuffer buffer;
    bool opened; // before the reader takes the buffer's bytes
    CSncReader reader{buffer};
};

// A device that accepts `limit` bytes, then refuses every write (a full disk).
class FullDevice : public QIODevice
{
public:
    explicit FullDevice(qint64 limit) : m_limit(limit) { open(QIODevice::WriteOnly); }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64 size) override
    {
        if (m_written + size > m_limit)
            return -1;
        m_written += size;
        return size;
    }

private:
    qint64 m_limit;
    qint64 m_written = 0;
};

} // namespace

TEST(SncArchive, CountsUseTheEscapeFrom0xFFFF)
{
    EXPECT_EQ(Written([](CSncWriter& w) { w.WriteCount(0); }), Hex("0000"));
    EXPECT_EQ(Written([](CSncWriter& w) { w.WriteCount(0xFFFE); }), Hex("feff"));
    EXPECT_EQ(Written([](CSncWriter& w) { w.WriteCount(0xFFFF); }), Hex("ffffffff0000"));
    EXPECT_EQ(Written([](CSncWriter& w) { w.WriteCount(0x12345); }), Hex("ffff45230100"));

    Reading small(Hex("feff") + Hex("ffff45230100") + QByteArray(0x12345, 'x'));
    EXPECT_EQ(small.reader.ReadCount(1), 0xFFFEu);
    EXPECT_EQ(small.reader.ReadCount(1), 0x12345u);
    EXPECT_TRUE(small.reader.Ok());
}

TEST(SncArchive, StringsAreWrittenIn16BitCharactersWithAllThreeLengthForms)
{
    EXPECT_EQ(Written([](CSncWriter& w) { w.WriteString(QString()); }), Hex("fffeff00"));
    EXPECT_EQ(Written([](CSncWriter& w) { w.WriteString(QStringLiteral("Aé")); }), Hex("fffeff024100e900"));

    const QString medium(0xFF, QLatin1Char('m'));
    const QByteArray mediumBytes = Written([&](CSncWriter& w) { w.WriteString(medium); });
    EXPECT_EQ(mediumBytes.left(6), Hex("fffeffffff00"));
    EXPECT_EQ(mediumBytes.size(), 6 + 0xFF * 2);

    const QString below(0xFFFD, QLatin1Char('b'));
    EXPECT_EQ(Written([&](CSncWriter& w) { w.WriteString(below); }).left(6), Hex("fffeffff fdff"));

    const QString longText(0xFFFE, QLatin1Char('l'));
    const QByteArray longBytes = Written([&](CSncWriter& w) { w.WriteString(longText); });
    EXPECT_EQ(longBytes.left(10), Hex("fffeffffffff feff0000"));
    EXPECT_EQ(longBytes.size(), 10 + 0xFFFE * 2);

    Reading back(mediumBytes + longBytes + Written([](CSncWriter& w) { w.WriteString(QStringLiteral("日本")); }));
    EXPECT_EQ(back.reader.ReadString(), medium);
    EXPECT_EQ(back.reader.ReadString(), longText);
    EXPECT_EQ(back.reader.ReadString(), QStringLiteral("日本"));
    EXPECT_TRUE(back.reader.Ok());
    EXPECT_TRUE(back.reader.AtEnd());
}

TEST(SncArchive, EightBitStringsAreReadInAllLengthForms)
{
    // Short form, two-byte form (0xFF, length) and four-byte form (0xFF, 0xFFFF, length).
    const QByteArray twoByte = Hex("ff0001") + QByteArray(0x100, 'k');
    const QByteArray fourByte = Hex("ffffff") + Hex("00000100") + QByteArray(0x10000, 'q');
    Reading reading(Hex("03") + "abc" + twoByte + fourByte + Hex("00"));
    EXPECT_EQ(reading.reader.ReadString(), QStringLiteral("abc"));
    EXPECT_EQ(reading.reader.ReadString(), QString(0x100, QLatin1Char('k')));
    EXPECT_EQ(reading.reader.ReadString(), QString(0x10000, QLatin1Char('q')));
    EXPECT_EQ(reading.reader.ReadString(), QString());
    EXPECT_TRUE(reading.reader.Ok());
}

TEST(SncArchive, EightBitStringsAreReadInTheJapaneseWindowsCodePage)
{
    const struct
    {
        QByteArray bytes;
        QString text;
    } cases[] = {
        {"\x93\xfa\x96\x7b\x8c\xea.txt", QStringLiteral("日本語.txt")},
        {"C:\\\x83\x65\x83\x58\x83\x67\\\xc3\xbd\xc4", QStringLiteral("C:\\テスト\\ﾃｽﾄ")}, // 0x5C is the backslash
        {"\x87\x40\x81\x60\xed\x40", QStringLiteral("①～纊")}, // the Windows extensions
        {"Caf\xe9", QStringLiteral("Café")}, // no character in CP932: read as in code page 1252
        {"Caf\xe9 Noir", QStringLiteral("Café Noir")},
        {"\x85\x40\x80\xa0\xfd", QStringLiteral("…@€\u00a0ý")}, // an unassigned pair, single bytes CP932 lacks
        {"plain", QStringLiteral("plain")},
    };
    for (const auto& c : cases) {
        Reading reading(QByteArray(1, char(c.bytes.size())) + c.bytes);
        EXPECT_EQ(reading.reader.ReadString(), c.text) << c.bytes.toHex().constData();
        EXPECT_TRUE(reading.reader.Ok());
    }
}

TEST(SncArchive, AStringHoldingANulCharacterIsRefused)
{
    for (const QByteArray& bytes : {QByteArray("\x03"
                                               "a\0b",
                                        4),
             Hex("fffeff03 6100 0000 6200")}) {
        Reading reading(bytes + Hex("00"));
        EXPECT_EQ(reading.reader.ReadString(), QString());
        EXPECT_FALSE(reading.reader.Ok()) << bytes.toHex().constData();
        EXPECT_TRUE(reading.reader.Error().contains(QStringLiteral("NUL")));
    }
}

TEST(SncArchive, ClassIntroductionThenClassTagsAndIndicesPerObject)
{
    const QByteArray bytes = Written([](CSncWriter& w) {
        w.WriteNewObject("CSyncProject", 1);
        w.WriteNewObject("CSyncProject", 1);
        w.WriteNewObject("Other", 3);
        w.WriteNewObject("Other", 3);
        EXPECT_EQ(w.NextIndex(), 7u); // classes 1 and 4, objects 2, 3, 5, 6
    });
    EXPECT_EQ(bytes, Hex("ffff01000c00") + "CSyncProject" + Hex("0180") + Hex("ffff03000500") + "Other" + Hex("0480"));

    Reading reading(bytes);
    const auto first = reading.reader.ReadNewObject();
    EXPECT_EQ(first.className, "CSyncProject");
    EXPECT_EQ(first.schema, 1);
    EXPECT_EQ(reading.reader.ReadNewObject().className, "CSyncProject");
    const auto other = reading.reader.ReadNewObject();
    EXPECT_EQ(other.className, "Other");
    EXPECT_EQ(other.schema, 3);
    EXPECT_EQ(reading.reader.ReadNewObject().className, "Other");
    EXPECT_TRUE(reading.reader.Ok());
}

TEST(SncArchive, ClassTagsPast0x7FFEUseThe32BitEscape)
{
    // 0x7FFD objects of a first class take the indices 1 to 0x7FFE, so the
    // second class receives 0x7FFF, which no longer fits in a 15-bit tag.
    const QByteArray bytes = Written([](CSncWriter& w) {
        for (int i = 0; i < 0x7FFD; ++i)
            w.WriteNewObject("A", 0);
        w.WriteNewObject("B", 2);
        w.WriteNewObject("B", 2);
        w.WriteNewObject("A", 0);
    });
    const QByteArray tail = Hex("ffff02000100") + "B" + Hex("ff7f ff7f0080") + Hex("0180");
    EXPECT_TRUE(bytes.endsWith(tail)) << tail.toHex().constData();

    Reading reading(bytes);
    for (int i = 0; i < 0x7FFD; ++i)
        ASSERT_EQ(reading.reader.ReadNewObject().className, "A");
    EXPECT_EQ(reading.reader.ReadNewObject().className, "B");
    EXPECT_EQ(reading.reader.ReadNewObject().className, "B");
    EXPECT_EQ(reading.reader.ReadNewObject().className, "A");
    EXPECT_TRUE(reading.reader.Ok());
    EXPECT_TRUE(reading.reader.AtEnd());
}

TEST(SncArchive, ReaderRefusesTagsThatDoNotIntroduceANewObject)
{
    const QByteArray intro = Hex("ffff01000100") + "A";
    const struct
    {
        const char* what;
        QByteArray bytes;
    } cases[] = {
        {"null tag", Hex("0000")},
        {"reference to the first object", intro + Hex("0200")},
        {"reference through the 32-bit escape", intro + Hex("ff7f02000000")},
        {"class index that is an object", intro + Hex("0280")},
        {"class index never handed out", Hex("0580")},
        {"32-bit class tag of class 0", Hex("ff7f00000080")},
        {"32-bit tag 0xFFFFFFFF", Hex("ff7fffffffff")},
        {"class name of length 0", Hex("ffff01000000")},
        {"class name longer than the file", Hex("ffff01000900") + "short"},
        {"class name of 200 bytes", Hex("ffff0100c800") + QByteArray(200, 'n')},
        {"tag cut in half", Hex("01")},
    };
    for (const auto& c : cases) {
        Reading reading(c.bytes);
        if (c.bytes.startsWith(intro)) {
            EXPECT_EQ(reading.reader.ReadNewObject().className, "A") << c.what;
        }
        reading.reader.ReadNewObject();
        EXPECT_FALSE(reading.reader.Ok()) << c.what;
        EXPECT_FALSE(reading.reader.Error().isEmpty()) << c.what;
    }
}

TEST(SncArchive, ReaderRefusesLengthsAndCountsTheRestCannotHold)
{
    {
        Reading reading(Hex("fffeff05") + QByteArray(9, 'x')); // 5 characters need 10 bytes
        reading.reader.ReadString();
        EXPECT_FALSE(reading.reader.Ok());
    }
    {
        Reading reading(Hex("ffffffffffffff")); // 8-bit string of 0xFFFFFFFF bytes
        reading.reader.ReadString();
        EXPECT_FALSE(reading.reader.Ok());
    }
    {
        Reading reading(Hex("ffff ffffff7f") + QByteArray(64, 'x')); // a count of 2^31 - 1
        EXPECT_EQ(reading.reader.ReadCount(1), 0u);
        EXPECT_FALSE(reading.reader.Ok());
    }
    {
        Reading reading(Hex("0400") + QByteArray(55, 'x')); // 4 items of at least 14 bytes
        reading.reader.ReadCount(14);
        EXPECT_FALSE(reading.reader.Ok());
    }
    {
        // The first failure sticks: later reads give nothing.
        Reading reading(Hex("05"));
        reading.reader.ReadDword();
        EXPECT_FALSE(reading.reader.Ok());
        EXPECT_EQ(reading.reader.ReadByte(), 0);
        EXPECT_EQ(reading.reader.ReadString(), QString());
    }
}

TEST(SncArchive, WriterReportsADeviceThatRefusesBytes)
{
    FullDevice device(5);
    CSncWriter writer(device);
    writer.WriteDword(1);
    EXPECT_TRUE(writer.Ok());
    writer.WriteString(QStringLiteral("x"));
    EXPECT_FALSE(writer.Ok());
}
