#include "core/platform/FileName.h"

namespace {

constexpr char16_t kEscapeBase = 0xDC00; // U+DC80..U+DCFF hold the bytes 0x80..0xFF

// Length of the valid UTF-8 sequence starting at `p`, and its code point; 0 when
// the bytes there do not form one (overlong forms, surrogates and values past
// U+10FFFF are not valid).
int ValidSequence(const unsigned char* p, const unsigned char* end, char32_t& codePoint)
{
    const unsigned char lead = p[0];
    int length = 0;
    char32_t value = 0;
    char32_t minimum = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1F;
        minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0F;
        minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07;
        minimum = 0x10000;
    } else {
        return 0;
    }
    if (end - p < length)
        return 0;
    for (int i = 1; i < length; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (p[i] & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    codePoint = value;
    return length;
}

bool IsAscii(const char* bytes, qsizetype length)
{
    for (qsizetype i = 0; i < length; ++i) {
        if (static_cast<unsigned char>(bytes[i]) >= 0x80)
            return false;
    }
    return true;
}

void AppendUtf8(QByteArray& out, char32_t codePoint)
{
    if (codePoint < 0x80) {
        out.append(static_cast<char>(codePoint));
    } else if (codePoint < 0x800) {
        out.append(static_cast<char>(0xC0 | (codePoint >> 6)));
        out.append(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else if (codePoint < 0x10000) {
        out.append(static_cast<char>(0xE0 | (codePoint >> 12)));
        out.append(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        out.append(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else {
        out.append(static_cast<char>(0xF0 | (codePoint >> 18)));
        out.append(static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F)));
        out.append(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        out.append(static_cast<char>(0x80 | (codePoint & 0x3F)));
    }
}

} // namespace

QString DecodeFileName(const char* bytes, qsizetype length)
{
    if (IsAscii(bytes, length))
        return QString::fromLatin1(bytes, length);

    QString name;
    name.reserve(length);
    const auto* p = reinterpret_cast<const unsigned char*>(bytes);
    const auto* end = p + length;
    while (p < end) {
        if (*p < 0x80) {
            name.append(QChar(*p++));
            continue;
        }
        char32_t codePoint = 0;
        const int sequence = ValidSequence(p, end, codePoint);
        if (sequence == 0) {
            name.append(QChar(char16_t(kEscapeBase + *p++)));
            continue;
        }
        const char32_t units[1] = {codePoint};
        name.append(QString::fromUcs4(units, 1));
        p += sequence;
    }
    return name;
}

QString DecodeFileName(const QByteArray& bytes)
{
    return DecodeFileName(bytes.constData(), bytes.size());
}

void DecodeFileNameInto(const char* bytes, qsizetype length, QString& name)
{
    // Copied as if ASCII, nearly every name is; decoded afresh where it was not.
    name.resize(length); // an unshared string keeps its room
    char16_t* units = reinterpret_cast<char16_t*>(name.data());
    unsigned char high = 0;
    for (qsizetype i = 0; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        units[i] = byte;
        high |= byte;
    }
    if (high >= 0x80)
        name = DecodeFileName(bytes, length);
}

QByteArray EncodeFileName(const QString& name)
{
    const qsizetype count = name.size();
    // Nearly every path is ASCII: one allocation, no per-character appends.
    const char16_t* units = reinterpret_cast<const char16_t*>(name.utf16());
    qsizetype ascii = 0;
    while (ascii < count && units[ascii] < 0x80)
        ++ascii;
    if (ascii == count) {
        QByteArray bytes(count, Qt::Uninitialized);
        char* out = bytes.data();
        for (qsizetype i = 0; i < count; ++i)
            out[i] = char(units[i]);
        return bytes;
    }
    QByteArray bytes;
    bytes.reserve(name.size() * 3);
    for (qsizetype i = 0; i < count; ++i) {
        const char16_t unit = name.at(i).unicode();
        if (QChar::isHighSurrogate(unit) && i + 1 < count && QChar::isLowSurrogate(name.at(i + 1).unicode())) {
            AppendUtf8(bytes, QChar::surrogateToUcs4(unit, name.at(i + 1).unicode()));
            ++i;
        } else if (unit >= kEscapeBase + 0x80 && unit <= kEscapeBase + 0xFF) {
            bytes.append(static_cast<char>(unit - kEscapeBase));
        } else if (QChar::isSurrogate(unit)) {
            AppendUtf8(bytes, 0xFFFD); // no byte sequence stands for it
        } else {
            AppendUtf8(bytes, unit);
        }
    }
    return bytes;
}
