#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QtGlobal>
#include <memory>
#include <vector>

class QIODevice;
class QStringDecoder;

// The byte layer of the document archive: little-endian integers, counts,
// strings and object tags, in the framework archive conventions that .snc
// documents use. The node records on top of it live in ProjectArchive.
//
// Object indices are handed out from 1 upward, one per class and one per
// object, in the order in which they first appear in the stream.
namespace SncTag {
constexpr quint16 Null = 0x0000;
constexpr quint16 BigObject = 0x7FFF; // a 32-bit tag follows
constexpr quint16 ClassBit = 0x8000; // new object of the class index in the low 15 bits
constexpr quint16 NewClass = 0xFFFF; // class introduction: schema, name length, 8-bit name
constexpr quint32 BigClassBit = 0x80000000;
} // namespace SncTag

class CSncWriter
{
public:
    explicit CSncWriter(QIODevice& device);

    void WriteByte(quint8 value);
    void WriteWord(quint16 value);
    void WriteDword(quint32 value);
    // Below 0xFFFF: 2 bytes; else 0xFFFF and the value as a DWORD.
    void WriteCount(quint32 count);
    // Always in 16-bit characters: 0xFF, 0xFFFE, the length in one of three forms, UTF-16LE.
    void WriteString(const QString& text);
    // Introduces a new object of the class `className`: the class introduction
    // the first time the class appears, its class tag afterwards.
    void WriteNewObject(const QByteArray& className, quint16 schema);

    // False once a write to the device failed; later writes do nothing.
    bool Ok() const { return m_ok; }
    quint32 NextIndex() const { return m_nextIndex; }

private:
    void WriteRaw(const char* data, qint64 size);

    QIODevice& m_device;
    bool m_ok = true;
    quint32 m_nextIndex = 1;
    std::vector<std::pair<QByteArray, quint32>> m_classes; // name → index
};

// Reads what CSncWriter writes, and the 8-bit strings of older writers (in
// the Japanese Windows code page, CP932). A string holding a NUL character
// fails: no name or path of a document holds one. Every
// read checks that the rest of the stream can hold what a length or count
// announces, so nothing is allocated beyond what the stream's size justifies.
// The first failure sticks: later reads return zero values and Ok() stays false.
class CSncReader
{
public:
    // Reads the rest of `device` at once (a buffer's bytes are shared, not
    // copied): the size of what remains is known, and each field is taken
    // from memory.
    explicit CSncReader(QIODevice& device);
    ~CSncReader();
    CSncReader(const CSncReader&) = delete;
    CSncReader& operator=(const CSncReader&) = delete;

    quint8 ReadByte();
    quint16 ReadWord();
    quint32 ReadDword();
    // A count of items that each take at least `minItemBytes` bytes in the stream;
    // a count that the rest of the stream cannot hold fails.
    quint32 ReadCount(qint64 minItemBytes);
    QString ReadString();

    struct NewObject
    {
        QByteArray className;
        quint16 schema = 0;
    };
    // Reads an object tag that must introduce a new object, and gives its class.
    // Null tags, references to earlier objects and class indices that name no
    // class fail: every object of a document is stored once.
    NewObject ReadNewObject();

    bool Ok() const { return m_error.isEmpty(); }
    // What went wrong first, in plain words (for diagnostics, not for users).
    const QString& Error() const { return m_error; }
    void Fail(const QString& reason);

    qint64 Remaining() const;
    bool AtEnd() const { return Remaining() == 0; }

private:
    // The next `size` bytes, or null (failing) when fewer remain.
    const char* Take(qint64 size);
    quint32 ReadLength(int& charSize);
    QString DecodeNarrow(QByteArrayView bytes);
    QString DecodePair(QByteArrayView pair);

    QByteArray m_data; // the stream from where the reader began
    qsizetype m_next = 0; // in m_data
    QString m_error;
    quint32 m_nextIndex = 1;
    struct ClassRecord
    {
        quint32 index;
        QByteArray name;
        quint16 schema;
    };
    std::vector<ClassRecord> m_classes; // in index order
    std::unique_ptr<QStringDecoder> m_cp932; // made when an 8-bit string needs it
};
