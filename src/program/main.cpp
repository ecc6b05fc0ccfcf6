#include "qorKaloToolsProgram.h"

int main(int argc, char* argv[]) { return RunKaloTools(argc, argv); }
