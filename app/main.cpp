// The program's entry; it always ends with exit code 0.

#include "Entry.h"

int main(int argc, char** argv)
{
    return RunProgram(argc, argv);
}
