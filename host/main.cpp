#include <csignal>
#include <cstdio>
#include <iostream>

#include "host/drivesetup.h"
#include "host/failure.h"

int main(int argc, char** argv) {
  // A write beyond the file-size limit would otherwise end the program
  // before the save can remove its temporary file and say why.
  std::signal(SIGXFSZ, SIG_IGN);
  try {
    return host::RunDriveSetup(argc, argv, std::cout, std::cerr);
  } catch (...) {
    // Only the report of an earlier fault can end here (standard error
    // itself failing): say so without anything that could throw again.
    std::fputs("drivesetup: internal error while reporting an error\n", stderr);
  }
  return host::kExitFailure;
}
