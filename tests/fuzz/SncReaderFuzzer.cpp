// libFuzzer target for the .snc reader: any bytes must either be refused
// cleanly or give a tree that stores and reads back to the same bytes.
#include "core/model/CAppProject.h"
#include "core/model/ProjectArchive.h"

#include <QBuffer>
#include <cstdio>
#include <cstdlib>

namespace {

QByteArray StoreTree(const CAppProject& root, const QStringList& common)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!StoreDocumentArchive(buffer, root, common)) {
        std::fputs("storing into memory failed\n", stderr);
        std::abort();
    }
    return bytes;
}

bool LoadTree(const QByteArray& bytes, CAppProject& root, QStringList& common)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return LoadDocumentArchive(buffer, root, common);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    CAppProject root;
    QStringList common;
    if (!LoadTree(input, root, common)) {
        if (root.ChildCount() != 0 || !common.isEmpty()) {
            std::fputs("a refused file left nodes or names behind\n", stderr);
            std::abort();
        }
        return 0;
    }
    // What was read stores in 16-bit strings; that form must be stable.
    const QByteArray first = StoreTree(root, common);
    CAppProject again;
    QStringList againCommon;
    if (!LoadTree(first, again, againCommon)) {
        std::fputs("a stored tree could not be read back\n", stderr);
        std::abort();
    }
    if (StoreTree(again, againCommon) != first) {
        std::fputs("a stored tree did not read back to the same bytes\n", stderr);
        std::abort();
    }
    return 0;
}
