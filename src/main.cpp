#include "board/Form1.h"
#include "platform/Application.h"

int main(int argc, char** argv)
{
    Application app(argc, argv);
    return Form1::runProgram();
}
