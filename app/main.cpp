// sonicrop: the desktop program.
#include "app/SonicropApp.h"

int main(int argc, char** argv)
{
    SonicropApp app(argc, argv);
    return app.Run();
}
