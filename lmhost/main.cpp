#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "LmhostCommand.h"

int main(int argc, char** argv) {
    try {
        const std::string program = argc > 0 ? argv[0] : "lmhost";
        const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
        return LmhostCommand::run(program, arguments, std::cin, std::cout, std::cerr);
    } catch (const std::exception& error) {
        std::cerr << "lmhost: internal error: " << error.what() << "\n";
    } catch (...) {
        std::cerr << "lmhost: internal error\n";
    }
    return LmhostCommand::kCannotRun;
}
