#pragma once

#include <set>

#include <QtGlobal>

// Ends, at the TCP level, connections that Qt's network thread would otherwise keep reading after their request was
// given up. Qt 6.4 sets no limit on an answer's headers, and while a site streams header lines its network thread
// never gets back to the event loop that would close the socket; an abort or a deleted manager does not reach it.
class ConnectionCutter
{
public:
    // Notes the sockets open now; only sockets opened later are ever cut.
    void noteOpenSockets();
    // Resets every TCP connection opened since the last note whose far end is `port`; returns how many.
    int cutConnectionsTo(quint16 port) const;

private:
    std::set<int> m_before;
};
