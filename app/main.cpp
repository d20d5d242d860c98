// sonicrop: the desktop program.
#include "app/CMainApp.h"

int main(int argc, char** argv)
{
    CMainApp app(argc, argv);
    return app.Run();
}
