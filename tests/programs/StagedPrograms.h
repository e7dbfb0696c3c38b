#pragma once
// The staged programs run as a user runs them: a program with its arguments
// to its end, the reference frame, the registration of the Trivex HART
// device type, and a simulated transmitter on a free loopback port.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <gtest/gtest.h>
#include <csignal>

namespace staged {

constexpr int kRunMs = 120000;

struct ProgramRun {
    int exitCode = -1;
    QString out;
    QString err;
};

inline QString Program(const QString& name)
{
    return QCoreApplication::applicationDirPath() + QLatin1Char('/') + name;
}

inline ProgramRun Start(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    ProgramRun run;
    if (!process.waitForFinished(kRunMs)) {
        process.kill();
        process.waitForFinished();
        ADD_FAILURE() << program.toStdString() << " did not end: " << arguments.join(' ').toStdString();
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

// A file's bytes; empty when it cannot be read.
inline QByteArray Bytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline ProgramRun Frame(const QStringList& arguments)
{
    return Start(Program(QStringLiteral("trivex-frame")), arguments);
}

// The staged description folder of the Trivex HART device type, ending in "/".
inline QString TrivexHartDescription()
{
    return QDir::cleanPath(QCoreApplication::applicationDirPath()
                           + QStringLiteral("/../../TDXDESC/COM_HART/_0063/_0_0089"))
           + QLatin1Char('/');
}

// The registration of the Trivex HART device type, as an installer runs it.
inline ProgramRun Register(const QStringList& options = {})
{
    return Start(Program(QStringLiteral("fennick")),
                 QStringList{QStringLiteral("func:registerdtm"), QStringLiteral("dscr_dir:") + TrivexHartDescription(),
                             QStringLiteral("tdx_file:Trivex.tdx"), QStringLiteral("fdt_file:Trivex.fdt"),
                             QStringLiteral("dtminfo_date:2024-05-15"), QStringLiteral("fdtclassificationid:1")}
                     + options);
}

// A simulated transmitter on a free loopback port, started with the options;
// stopped when the object goes. Its log is its standard error.
class Simulator {
public:
    explicit Simulator(const QStringList& options)
    {
        m_process.start(Program(QStringLiteral("trivex-sim")),
                        QStringList{QStringLiteral("--port"), QStringLiteral("0")} + options);
        static const QRegularExpression kListening(QStringLiteral("listening on .*:(\\d+)"));
        QString out;
        while (m_port == 0 && m_process.waitForReadyRead(kRunMs)) {
            out += QString::fromUtf8(m_process.readAllStandardOutput());
            const QRegularExpressionMatch match = kListening.match(out);
            if (match.hasMatch())
                m_port = match.captured(1).toUShort();
        }
    }
    ~Simulator()
    {
        m_process.kill();
        m_process.waitForFinished();
    }
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    QString Address() const { return QStringLiteral("hart-ip://127.0.0.1:%1").arg(m_port); }
    bool Listening() const { return m_port != 0; }
    void Signal(int signal) { ::kill(static_cast<pid_t>(m_process.processId()), signal); }
    // Stops the simulator; its log.
    QString StopAndLog()
    {
        m_process.kill();
        m_process.waitForFinished();
        m_log += QString::fromUtf8(m_process.readAllStandardError());
        return m_log;
    }
    // Stops the simulator; the HART commands it answered, from its log.
    QList<int> StopAndListCommands()
    {
        StopAndLog();
        static const QRegularExpression kCommand(QStringLiteral("^trivex-sim: command (\\d+) "),
                                                 QRegularExpression::MultilineOption);
        QList<int> commands;
        for (auto it = kCommand.globalMatch(m_log); it.hasNext();)
            commands << it.next().captured(1).toInt();
        return commands;
    }

private:
    QProcess m_process;
    quint16 m_port = 0;
    QString m_log;
};

} // namespace staged
