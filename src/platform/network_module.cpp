#include "network_module.h"

#include <QCoreApplication>
#include <QFileInfo>

#include "finished_reply.h"
#include "network_module_entry.h"
#include "network_module_file.h"

using namespace Qt::StringLiterals;

// Set only in a program that links the transfer in, as the command line does: it starts a search sooner than loading
// the module would. Every other program loads the module at its first request.
extern "C" HttpTransfer* tunedrop_create_transfer(const TransferConfig& config) __attribute__((weak));

NetworkModule::NetworkModule(TransferConfig config, QString fileName)
    : m_config(std::move(config)), m_fileName(std::move(fileName))
{
}

// The transfer goes before the library that holds its code; the library itself stays mapped until the program ends.
NetworkModule::~NetworkModule() = default;

QString NetworkModule::installedFileName()
{
    return QCoreApplication::applicationDirPath() + u'/' + QStringLiteral(TUNEDROP_NETWORK_MODULE);
}

std::unique_ptr<HttpReply> NetworkModule::start(const HttpRequest& request)
{
    if (!m_transfer && !m_loadError)
        load();
    if (!m_transfer)
        return std::make_unique<FinishedReply>(HttpAnswer{{}, {}, m_loadError});
    return m_transfer->start(request);
}

void NetworkModule::load()
{
    const auto fail = [this](const QString& why) {
        m_loadError = TransferError{TransferError::Kind::NoNetworkModule, u"%1 (%2)"_s.arg(m_fileName, why)};
    };
    // A program that links the transfer in has its entry point already; any other loads the module for it.
    NetworkModuleEntry create = tunedrop_create_transfer;
    if (!create) {
        if (!QFileInfo(m_fileName).isFile())
            return fail(TransferError::tr("not found"));
        if (const std::optional<QString> problem = moduleFileProblem(m_fileName))
            return fail(*problem);
        m_library.setFileName(m_fileName);
        // A symbol that cannot be found is a reason now, rather than an end of the program at its first use.
        m_library.setLoadHints(QLibrary::ResolveAllSymbolsHint);
        if (!m_library.load()) {
            // Qt's text names the file twice, around the system's reason; the file is named once already.
            const QString text = m_library.errorString();
            const QString inner = u"("_s + m_fileName + u": "_s;
            const qsizetype at = text.lastIndexOf(inner);
            return fail(at >= 0 && text.endsWith(u')') ? text.sliced(at + inner.size()).chopped(1) : text);
        }
        create = reinterpret_cast<NetworkModuleEntry>(m_library.resolve(networkModuleEntryName));
        if (!create)
            return fail(TransferError::tr("it has no entry point"));
    }
    m_transfer.reset(create(m_config));
    if (!m_transfer)
        fail(TransferError::tr("it could not start"));
}
