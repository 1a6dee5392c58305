// Program entry of the runner.
#include <cstdio>

int main(int argc, char **argv) {
  (void)argc;
  (void)argv;
  std::fprintf(stderr, "quillon: the loader is not built yet\n");
  return 1;
}
