#include "ui/widgets/PumpMessages.h"

#include <QCoreApplication>

int PumpMessages()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    return 0;
}

bool CheapPump::Due() const { return !sinceLastPump_.isValid() || sinceLastPump_.elapsed() >= intervalMs_; }

bool CheapPump::Run()
{
    if (!Due())
        return false;
    PumpMessages();
    sinceLastPump_.start();
    return true;
}
