#include "qt_event_delivery.h"

#include <QCoreApplication>
#include <QEventLoop>

void QtEventDelivery::deliverPending()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtEventDelivery::waitAndDeliver()
{
    // Blocks in the event dispatcher until something arrives (a network reply's own signals wake it), so a
    // silent site costs no CPU.
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}
