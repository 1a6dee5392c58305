// Program entry of the packer.
#include <cstdio>

int main() {
  std::fprintf(stderr, "quillon-pack: not built yet\n");
  return 1;
}
