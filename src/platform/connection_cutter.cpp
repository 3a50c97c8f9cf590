#include "connection_cutter.h"

#include <cstdlib>

#include <dirent.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace {

std::set<int> openDescriptors()
{
    std::set<int> descriptors;
    if (DIR* folder = opendir("/proc/self/fd")) {
        while (const dirent* entry = readdir(folder)) {
            if (entry->d_name[0] != '.')
                descriptors.insert(std::atoi(entry->d_name));
        }
        closedir(folder);
    }
    return descriptors;
}

int peerPort(int descriptor)
{
    int type = 0;
    socklen_t typeLength = sizeof type;
    if (getsockopt(descriptor, SOL_SOCKET, SO_TYPE, &type, &typeLength) != 0 || type != SOCK_STREAM)
        return -1;
    sockaddr_storage peer{};
    socklen_t peerLength = sizeof peer;
    if (getpeername(descriptor, reinterpret_cast<sockaddr*>(&peer), &peerLength) != 0)
        return -1;
    if (peer.ss_family == AF_INET)
        return ntohs(reinterpret_cast<const sockaddr_in*>(&peer)->sin_port);
    if (peer.ss_family == AF_INET6)
        return ntohs(reinterpret_cast<const sockaddr_in6*>(&peer)->sin6_port);
    return -1;
}

} // namespace

void ConnectionCutter::noteOpenSockets()
{
    m_before = openDescriptors();
}

int ConnectionCutter::cutConnectionsTo(quint16 port) const
{
    int cut = 0;
    for (const int descriptor : openDescriptors()) {
        if (m_before.count(descriptor) || peerPort(descriptor) != port)
            continue;
        // Connecting a TCP socket to AF_UNSPEC drops the connection with a reset, while the descriptor stays Qt's to
        // close: the network thread reads an error and lets go.
        sockaddr none{};
        none.sa_family = AF_UNSPEC;
        if (::connect(descriptor, &none, sizeof none) == 0)
            ++cut;
    }
    return cut;
}
