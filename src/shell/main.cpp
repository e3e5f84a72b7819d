#include "KudoraApp.h"

int main(int argc, char** argv)
{
    return KudoraApp::main(argc, argv);
}
