#include "fuzz/FuzzInput.h"
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

namespace fuzz {

uint8_t FuzzInput::TakeByte()
{
    if (m_at >= m_bytes.size())
        return 0;
    return static_cast<uint8_t>(m_bytes[m_at++]);
}

QString WriteInputFile(const QByteArray& bytes, const QString& name)
{
    static QTemporaryDir folder;
    if (!folder.isValid())
        Fail("no temporary folder for the input file");
    const QString path = folder.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        Fail("the input file cannot be written");
    return path;
}

void Fail(const char* what)
{
    std::fprintf(stderr, "fuzz target: %s\n", what);
    std::abort();
}

} // namespace fuzz
