// Program entry of the packer.
#include <iostream>
#include <string>
#include <vector>

#include "Pack_Main.h"

int main(int argc, char **argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return RunPacker(args, std::cout, std::cerr);
}
