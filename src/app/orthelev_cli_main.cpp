#include "console/cli.hpp"

int main(int argc, char** argv) { return orthelev::RunCli(argc, argv); }
