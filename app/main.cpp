#include "app/PlayerApp.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    CPlayerApp app;
    return app.Run();
}
