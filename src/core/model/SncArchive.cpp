#include "core/model/SncArchive.h"

#include <QBuffer>
#include <QIODevice>
#include <QStringDecoder>
#include <QtEndian>
#include <algorithm>

namespace {

// The framework refuses archives with more objects than this.
constexpr quint32 kMaxMapCount = 0x3FFFFFFE;
// Class names are short identifiers; the framework keeps them in 64 bytes.
constexpr quint16 kMaxClassNameLength = 63;

// Code page 1252 where it differs from Latin-1: the bytes 0x80 to 0x9F
// (those without a character keep their control code, as Windows reads them).
QChar Cp1252Char(quint8 byte)
{
    static constexpr char16_t kHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6,
        0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013,
        0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    return byte >= 0x80 && byte <= 0x9F ? QChar(kHigh[byte - 0x80]) : QChar(byte);
}

} // namespace

// ---------------------------------------------------------------- writer

CSncWriter::CSncWriter(QIODevice& device) : m_device(device)
{
}

void CSncWriter::WriteRaw(const char* data, qint64 size)
{
    if (!m_ok || size == 0)
        return;
    if (m_device.write(data, size) != size)
        m_ok = false;
}

void CSncWriter::WriteByte(quint8 value)
{
    const char byte = static_cast<char>(value);
    WriteRaw(&byte, 1);
}

void CSncWriter::WriteWord(quint16 value)
{
    char bytes[2];
    qToLittleEndian(value, bytes);
    WriteRaw(bytes, 2);
}

void CSncWriter::WriteDword(quint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    WriteRaw(bytes, 4);
}

void CSncWriter::WriteCount(quint32 count)
{
    if (count < 0xFFFF) {
        WriteWord(static_cast<quint16>(count));
    } else {
        WriteWord(0xFFFF);
        WriteDword(count);
    }
}

void CSncWriter::WriteString(const QString& text)
{
    const auto length = static_cast<quint32>(text.size());
    WriteByte(0xFF);
    WriteWord(0xFFFE); // 16-bit characters follow
    if (length < 0xFF) {
        WriteByte(static_cast<quint8>(length));
    } else if (length < 0xFFFE) {
        WriteByte(0xFF);
        WriteWord(static_cast<quint16>(length));
    } else {
        WriteByte(0xFF);
        WriteWord(0xFFFF);
        WriteDword(length);
    }
    if (length == 0)
        return;
    if constexpr (Q_BYTE_ORDER == Q_LITTLE_ENDIAN) {
        WriteRaw(reinterpret_cast<const char*>(text.utf16()), qint64(length) * 2);
    } else {
        QByteArray bytes(qsizetype(length) * 2, Qt::Uninitialized);
        qToLittleEndian<quint16>(text.utf16(), length, bytes.data());
        WriteRaw(bytes.constData(), bytes.size());
    }
}

void CSncWriter::WriteNewObject(const QByteArray& className, quint16 schema)
{
    const auto known
        = std::find_if(m_classes.begin(), m_classes.end(), [&](const auto& entry) { return entry.first == className; });
    if (known != m_classes.end()) {
        const quint32 classIndex = known->second;
        if (classIndex < SncTag::BigObject) {
            WriteWord(static_cast<quint16>(SncTag::ClassBit | classIndex));
        } else {
            WriteWord(SncTag::BigObject);
            WriteDword(SncTag::BigClassBit | classIndex);
        }
    } else {
        WriteWord(SncTag::NewClass);
        WriteWord(schema);
        WriteWord(static_cast<quint16>(className.size()));
        WriteRaw(className.constData(), className.size());
        m_classes.emplace_back(className, m_nextIndex++);
    }
    ++m_nextIndex; // the object's own index
}

// ---------------------------------------------------------------- reader

CSncReader::CSncReader(QIODevice& device)
{
    const auto* buffer = qobject_cast<const QBuffer*>(&device);
    if (buffer && buffer->isReadable()) {
        m_data = buffer->data();
        m_next = qsizetype(std::clamp<qint64>(buffer->pos(), 0, m_data.size()));
    } else {
        m_data = device.readAll();
    }
}

CSncReader::~CSncReader() = default;

void CSncReader::Fail(const QString& reason)
{
    if (m_error.isEmpty())
        m_error = reason.isEmpty() ? QStringLiteral("bad data") : reason;
}

qint64 CSncReader::Remaining() const
{
    return m_data.size() - m_next;
}

const char* CSncReader::Take(qint64 size)
{
    if (!Ok())
        return nullptr;
    if (size > Remaining()) {
        Fail(QStringLiteral("the file ends early"));
        return nullptr;
    }
    const char* bytes = m_data.constData() + m_next;
    m_next += qsizetype(size);
    return bytes;
}

quint8 CSncReader::ReadByte()
{
    const char* byte = Take(1);
    return byte ? static_cast<quint8>(*byte) : 0;
}

quint16 CSncReader::ReadWord()
{
    const char* bytes = Take(2);
    return bytes ? qFromLittleEndian<quint16>(bytes) : 0;
}

quint32 CSncReader::ReadDword()
{
    const char* bytes = Take(4);
    return bytes ? qFromLittleEndian<quint32>(bytes) : 0;
}

quint32 CSncReader::ReadCount(qint64 minItemBytes)
{
    quint32 count = ReadWord();
    if (count == 0xFFFF)
        count = ReadDword();
    if (!Ok())
        return 0;
    if (qint64(count) * std::max<qint64>(minItemBytes, 1) > Remaining()) {
        Fail(QStringLiteral("a count of %1 exceeds the rest of the file").arg(count));
        return 0;
    }
    return count;
}

// The length prefix of a string: 8-bit characters unless the 0xFFFE mark
// comes first; then a length of one, two (after 0xFF) or four bytes (after 0xFF 0xFFFF).
quint32 CSncReader::ReadLength(int& charSize)
{
    charSize = 1;
    const quint8 byteLength = ReadByte();
    if (byteLength < 0xFF)
        return byteLength;
    quint16 wordLength = ReadWord();
    if (wordLength == 0xFFFE) {
        charSize = 2;
        const quint8 markedLength = ReadByte();
        if (markedLength < 0xFF)
            return markedLength;
        wordLength = ReadWord();
    }
    if (wordLength < 0xFFFF)
        return wordLength;
    const quint32 length = ReadDword();
    if (length == 0xFFFFFFFF)
        Fail(QStringLiteral("a string length too large"));
    return length;
}

QString CSncReader::ReadString()
{
    int charSize = 1;
    const quint32 length = ReadLength(charSize);
    if (!Ok())
        return {};
    const qint64 bytes = qint64(length) * charSize;
    if (bytes > Remaining()) {
        Fail(QStringLiteral("a string of %1 characters exceeds the rest of the file").arg(length));
        return {};
    }
    if (length == 0)
        return QString(QLatin1String(""));
    const char* raw = Take(bytes);
    QString text;
    if (charSize == 2) {
        text = QString(qsizetype(length), Qt::Uninitialized);
        qFromLittleEndian<quint16>(raw, length, text.data());
    } else {
        text = DecodeNarrow(QByteArrayView(raw, bytes));
    }
    // No name or path holds one: a NUL would cut a path short and send a run elsewhere.
    if (text.contains(QChar(u'\0'))) {
        Fail(QStringLiteral("a string holding a NUL character"));
        return {};
    }
    return text;
}

// Documents of older writers hold 8-bit strings in the Japanese Windows code
// page (CP932, Shift_JIS with the Windows extensions). A byte that is no
// character there (an incomplete pair, an unassigned code) is read as in the
// Western Windows code page (1252) instead of being lost: "Caf\xE9" is "Café".
QString CSncReader::DecodeNarrow(QByteArrayView bytes)
{
    const auto isLead = [](quint8 b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); };
    const auto isTrail = [](quint8 b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; };
    QString text;
    text.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<quint8>(bytes[i]);
        if (byte < 0x80) {
            text += QChar(byte);
            continue;
        }
        if (byte >= 0xA1 && byte <= 0xDF) {
            text += QChar(char16_t(0xFF61 + (byte - 0xA1))); // half-width katakana
            continue;
        }
        if (isLead(byte) && i + 1 < bytes.size() && isTrail(static_cast<quint8>(bytes[i + 1]))) {
            const QString pair = DecodePair(bytes.sliced(i, 2));
            if (!pair.isEmpty()) {
                text += pair;
                ++i;
                continue;
            }
        }
        text += Cp1252Char(byte);
    }
    return text;
}

// One double-byte character of CP932, or empty where the code page has none.
QString CSncReader::DecodePair(QByteArrayView pair)
{
    if (!m_cp932)
        m_cp932 = std::make_unique<QStringDecoder>("windows-31j", QStringConverter::Flag::Stateless);
    if (!m_cp932->isValid())
        return {}; // a Qt without ICU: the bytes are read as in code page 1252
    const QString decoded = m_cp932->decode(pair);
    if (decoded.size() != 1 || decoded.at(0) == QChar(0x1A) || decoded.at(0) == QChar::ReplacementCharacter)
        return {};
    return decoded;
}

CSncReader::NewObject CSncReader::ReadNewObject()
{
    NewObject object;
    const quint16 word = ReadWord();
    quint32 tag = 0;
    if (word == SncTag::BigObject)
        tag = ReadDword();
    else
        tag = (quint32(word & SncTag::ClassBit) << 16) | (word & ~SncTag::ClassBit);
    if (!Ok())
        return object;
    if (!(tag & SncTag::BigClassBit)) {
        Fail(tag == SncTag::Null ? QStringLiteral("a null object where a node belongs")
                                 : QStringLiteral("a reference to object %1 stored earlier").arg(tag));
        return object;
    }
    if (m_nextIndex >= kMaxMapCount) {
        Fail(QStringLiteral("too many objects"));
        return object;
    }
    if (word == SncTag::NewClass) {
        object.schema = ReadWord();
        const quint16 nameLength = ReadWord();
        if (!Ok())
            return object;
        if (nameLength == 0 || nameLength > kMaxClassNameLength) {
            Fail(QStringLiteral("a class name of %1 bytes").arg(nameLength));
            return object;
        }
        const char* name = Take(nameLength);
        if (!name)
            return {};
        object.className = QByteArray(name, nameLength);
        m_classes.push_back({m_nextIndex++, object.className, object.schema});
    } else {
        const quint32 classIndex = tag & ~SncTag::BigClassBit;
        const auto known = std::lower_bound(m_classes.begin(), m_classes.end(), classIndex,
            [](const ClassRecord& entry, quint32 index) { return entry.index < index; });
        if (known == m_classes.end() || known->index != classIndex) {
            Fail(QStringLiteral("a tag naming class index %1, which is no class").arg(classIndex));
            return object;
        }
        object.className = known->name;
        object.schema = known->schema;
    }
    ++m_nextIndex; // the object's own index
    return object;
}
