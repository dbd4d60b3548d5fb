#include <iostream>

#include "host/drivesetup.h"

int main(int argc, char** argv) { return host::RunDriveSetup(argc, argv, std::cout, std::cerr); }
