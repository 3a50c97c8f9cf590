#include "network_module_file.h"

#include <cstring>

#include <elf.h>

#include <QFile>

#include "transfer_error.h"

namespace {

// Whether `count` entries of `size` bytes from `offset` lie within the first `length` bytes, without overflow.
bool fits(quint64 offset, quint64 count, quint64 size, quint64 length)
{
    return offset <= length && (size == 0 || count <= (length - offset) / size);
}

} // namespace

std::optional<QString> moduleFileProblem(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return file.errorString();
    const quint64 length = quint64(file.size());
    Elf64_Ehdr header;
    if (file.read(reinterpret_cast<char*>(&header), sizeof header) != qint64(sizeof header) ||
        std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 || header.e_ident[EI_CLASS] != ELFCLASS64)
        return std::nullopt;
    const auto cutShort = [length] { return TransferError::tr("damaged: cut short at %1 bytes").arg(length); };
    if (!fits(header.e_phoff, header.e_phnum, header.e_phentsize, length) ||
        !fits(header.e_shoff, header.e_shnum, header.e_shentsize, length) || header.e_phentsize < sizeof(Elf64_Phdr))
        return cutShort();
    for (quint64 i = 0; i < header.e_phnum; ++i) {
        Elf64_Phdr segment;
        if (!file.seek(qint64(header.e_phoff + i * header.e_phentsize)) ||
            file.read(reinterpret_cast<char*>(&segment), sizeof segment) != qint64(sizeof segment))
            return cutShort();
        if (!fits(segment.p_offset, 1, segment.p_filesz, length))
            return cutShort();
    }
    return std::nullopt;
}
