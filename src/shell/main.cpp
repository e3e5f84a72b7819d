#include "KudoraApp.h"

int main(int argc, char** argv)
{
    KudoraApp::run(argc, argv);
    return 0;
}
