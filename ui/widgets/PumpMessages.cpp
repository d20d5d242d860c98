#include "ui/widgets/PumpMessages.h"

#include <QCoreApplication>

int PumpMessages()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    return 0;
}

bool CheapPump::Run()
{
    if (sinceLastPump_.isValid() && sinceLastPump_.elapsed() < intervalMs_)
        return false;
    PumpMessages();
    sinceLastPump_.start();
    return true;
}
