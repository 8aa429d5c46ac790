// Start-up yardstick for kalvenor-cli: the smallest C++ program that writes
// a line, built with the same compiler and flags.
#include <iostream>

int main() { std::cout << "hello, world\n"; }
